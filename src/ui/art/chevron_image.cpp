#include "ui/art/chevron_image.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {

QPixmap ChevronImage(ChevronDirection direction, int size) {
  QPixmap image(size, size);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  // Drawn pointing up in a unit square, flipped for down.
  painter.scale(size, size);
  if (direction == ChevronDirection::kDown) {
    painter.translate(0.0, 1.0);
    painter.scale(1.0, -1.0);
  }
  QPen pen(palette::kAccent, 0.13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  for (const double top : {0.16, 0.50}) {
    QPainterPath head;
    head.moveTo(0.18, top + 0.30);
    head.lineTo(0.50, top);
    head.lineTo(0.82, top + 0.30);
    painter.drawPath(head);
  }
  return image;
}

}  // namespace parvolind::ui
