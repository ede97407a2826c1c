#include "ui/controls/hover_button.h"

namespace parvolind::ui {

HoverButton::HoverButton(const QString& accessible_name, QWidget* parent)
    : QAbstractButton(parent) {
  setAccessibleName(accessible_name);
  setFocusPolicy(Qt::TabFocus);
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
}

void HoverButton::SetLit(bool lit) {
  if (lit_ == lit) return;
  lit_ = lit;
  update();
}

void HoverButton::mouseMoveEvent(QMouseEvent* event) {
  emit Hovered();
  QAbstractButton::mouseMoveEvent(event);
}

void HoverButton::enterEvent(QEnterEvent* event) {
  emit Hovered();
  QAbstractButton::enterEvent(event);
}

}  // namespace parvolind::ui
