#include "ui/controls/flat_check_box.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {

FlatCheckBox::FlatCheckBox(QWidget* parent) : QCheckBox(parent) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::StrongFocus);
  resize(sizeHint());
}

bool FlatCheckBox::hitButton(const QPoint& position) const { return rect().contains(position); }

void FlatCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect box =
      rect().adjusted(kFocusMargin, kFocusMargin, -kFocusMargin - 1, -kFocusMargin - 1);
  painter.fillRect(box.adjusted(0, 0, 1, 1),
                   isDown() ? palette::kButtonPressed : QColor(Qt::white));
  painter.setPen(underMouse() ? palette::kAccent : palette::kFrameLine);
  painter.drawRect(box);
  // The keyboard's place, apart from the mouse's: a dotted ring around the box.
  if (hasFocus()) {
    painter.setPen(QPen(palette::kSkinDark, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  if (!isChecked()) return;
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(palette::kSkinDark, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.translate(box.topLeft());
  QPainterPath tick;
  tick.moveTo(3, 6.5);
  tick.lineTo(5.5, 9);
  tick.lineTo(10, 3.5);
  painter.drawPath(tick);
}

}  // namespace parvolind::ui
