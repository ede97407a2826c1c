#pragma once

#include <QSpinBox>

namespace parvolind::ui {

/// A number field that changes only by its arrows (or the arrow keys), one step at a
/// time, within its bounds; its text cannot be typed into, and neither the page keys
/// nor the mouse wheel move it. A number set
/// by the program is clamped to the bounds but otherwise shown as it is, also when
/// it is not a multiple of the step.
class StepSpinBox : public QSpinBox {
  Q_OBJECT

 public:
  StepSpinBox(int minimum, int maximum, int step, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
};

}  // namespace parvolind::ui
