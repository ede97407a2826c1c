#include "ui/controls/flat_button.h"

#include <QPainter>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {

FlatButton::FlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setFont(WindowFont(11));
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void FlatButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QColor face = palette::kButtonFace;
  if (hasFocus()) face = Qt::white;
  if (isDown()) face = palette::kButtonPressed;
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(rect(), face);
  if (hovered_ && isEnabled() && !isDown()) {
    painter.fillRect(frame.adjusted(1, 1, 0, 0), QColor(238, 243, 250));
  }
  painter.setPen(hovered_ && isEnabled() ? palette::kAccent : palette::kFrameLine);
  painter.drawRect(frame);
  painter.setPen(isEnabled() ? palette::kText : palette::kFrameLine);
  painter.setFont(font());
  QRect text_rect = rect();
  if (isDown()) text_rect.translate(1, 1);
  painter.drawText(text_rect, Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

void FlatButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QPushButton::enterEvent(event);
}

void FlatButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QPushButton::leaveEvent(event);
}

}  // namespace parvolind::ui
