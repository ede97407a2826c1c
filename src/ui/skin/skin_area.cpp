#include "ui/skin/skin_area.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {

SkinArea::SkinArea(Kind kind, const QString& text, const QString& accessible_name, QWidget* parent)
    : HoverButton(accessible_name, parent), kind_(kind) {
  setText(text);
  setFont(WindowFont(11, kind == Kind::kMenuTitle));
}

void SkinArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
  const bool lit = Lit() || isDown();
  if (lit) {
    QLinearGradient glow(box.topLeft(), box.bottomLeft());
    glow.setColorAt(0, QColor(255, 255, 255, 90));
    glow.setColorAt(1, QColor(255, 255, 255, 35));
    painter.setPen(QPen(QColor(255, 255, 255, 120), 1));
    painter.setBrush(glow);
    painter.drawRoundedRect(box, 4, 4);
  }
  // The keyboard's place, apart from the mouse's glow: a dotted white ring.
  if (hasFocus()) {
    painter.setPen(QPen(QColor(Qt::white), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box, 4, 4);
  }
  if (kind_ == Kind::kMenuTitle) {
    painter.setFont(font());
    painter.setPen(lit || hasFocus() ? QColor(Qt::white) : QColor(222, 232, 245));
    painter.drawText(rect(), Qt::AlignCenter, text());
    return;
  }
  // The close button: a cross that turns white when lit.
  const QPointF c = box.center();
  painter.setPen(
      QPen(lit ? QColor(Qt::white) : QColor(214, 226, 242), 2.0, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(c + QPointF(-4.5, -4.5), c + QPointF(4.5, 4.5));
  painter.drawLine(c + QPointF(4.5, -4.5), c + QPointF(-4.5, 4.5));
}

}  // namespace parvolind::ui
