#include "ui/wizard/fields/step_spin_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace parvolind::ui {

StepSpinBox::StepSpinBox(int minimum, int maximum, int step, QWidget* parent) : QSpinBox(parent) {
  setRange(minimum, maximum);
  setSingleStep(step);
  // Only the text is locked: the arrows, the keys and the wheel still step.
  lineEdit()->setReadOnly(true);
  lineEdit()->setCursor(Qt::ArrowCursor);
  setAlignment(Qt::AlignRight);
}

void StepSpinBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
    event->ignore();
    return;
  }
  QSpinBox::keyPressEvent(event);
}

void StepSpinBox::wheelEvent(QWheelEvent* event) { event->ignore(); }

}  // namespace parvolind::ui
