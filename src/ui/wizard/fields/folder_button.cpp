#include "ui/wizard/fields/folder_button.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {

FolderButton::FolderButton(QWidget* parent) : FlatButton(QString(), parent) {}

void FolderButton::paintEvent(QPaintEvent* event) {
  FlatButton::paintEvent(event);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  // A folder 14 x 11 pixels, centred: a tab on the left of its top edge.
  const QPointF origin(width() / 2.0 - 7.0 + (isDown() ? 1 : 0),
                       height() / 2.0 - 5.5 + (isDown() ? 1 : 0));
  QPainterPath back;
  back.moveTo(origin + QPointF(0.5, 1.5));
  back.lineTo(origin + QPointF(5.0, 1.5));
  back.lineTo(origin + QPointF(6.5, 3.0));
  back.lineTo(origin + QPointF(13.5, 3.0));
  back.lineTo(origin + QPointF(13.5, 10.5));
  back.lineTo(origin + QPointF(0.5, 10.5));
  back.closeSubpath();
  const QColor outline = isEnabled() ? QColor(150, 110, 40) : palette::kFrameLine;
  painter.setPen(QPen(outline, 1.0));
  painter.setBrush(isEnabled() ? QColor(238, 196, 98) : palette::kButtonFace);
  painter.drawPath(back);
  QPainterPath front;
  front.moveTo(origin + QPointF(0.5, 10.5));
  front.lineTo(origin + QPointF(2.0, 5.0));
  front.lineTo(origin + QPointF(13.5, 5.0));
  front.lineTo(origin + QPointF(13.5, 10.5));
  front.closeSubpath();
  painter.setBrush(isEnabled() ? QColor(250, 218, 130) : palette::kButtonFace);
  painter.drawPath(front);
}

}  // namespace parvolind::ui
