#include "ui/program_emblem.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

#include "ui/theme.h"

namespace parvolind::ui {
namespace {

// An arc of the ring from `from_degrees` clockwise over `sweep_degrees`, ending in an
// arrowhead that points along the ring.
void DrawArrowArc(QPainter& painter, const QPointF& centre, qreal radius, qreal from_degrees,
                  qreal sweep_degrees, qreal stroke) {
  const QRectF ring(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  QPainterPath arc;
  arc.arcMoveTo(ring, from_degrees);
  arc.arcTo(ring, from_degrees, -sweep_degrees);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::white, stroke, Qt::SolidLine, Qt::FlatCap));
  painter.drawPath(arc);

  const qreal end = (from_degrees - sweep_degrees) * std::numbers::pi / 180.0;
  const QPointF tip_base(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
  const QPointF along(std::sin(end), std::cos(end));     // clockwise on the screen
  const QPointF outward(std::cos(end), -std::sin(end));  // away from the centre
  const qreal head = stroke * 2.2;
  QPolygonF arrow;
  arrow << tip_base + along * head * 0.9 << tip_base + outward * head * 0.75
        << tip_base - outward * head * 0.75;
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawPolygon(arrow);
}

}  // namespace

void PaintProgramEmblem(QPainter& painter, const QRectF& box) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal size = std::min(box.width(), box.height());
  const QRectF tile(box.center().x() - size / 2, box.center().y() - size / 2, size, size);

  // The tile with a soft shadow and a light edge.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(45, 62, 88, 40));
  painter.drawRoundedRect(tile.translated(0, size * 0.03), size * 0.22, size * 0.22);
  QLinearGradient face(tile.topLeft(), tile.bottomRight());
  face.setColorAt(0, palette::kAccent.lighter(135));
  face.setColorAt(1, palette::kSkinDark);
  painter.setBrush(face);
  painter.setPen(QPen(palette::kSkinDark.darker(115), size * 0.02));
  painter.drawRoundedRect(tile, size * 0.22, size * 0.22);

  // A gloss over the upper half.
  QLinearGradient gloss(tile.topLeft(), QPointF(tile.left(), tile.center().y()));
  gloss.setColorAt(0, QColor(255, 255, 255, 70));
  gloss.setColorAt(1, QColor(255, 255, 255, 0));
  painter.setPen(Qt::NoPen);
  painter.setBrush(gloss);
  painter.drawRoundedRect(tile.adjusted(size * 0.04, size * 0.04, -size * 0.04, -size * 0.5),
                          size * 0.18, size * 0.18);

  // Two arrows chasing each other round a ring: the two folders kept in step.
  const qreal stroke = size * 0.085;
  const qreal radius = size * 0.26;
  DrawArrowArc(painter, tile.center(), radius, 165, 135, stroke);
  DrawArrowArc(painter, tile.center(), radius, 345, 135, stroke);
  painter.restore();
}

}  // namespace parvolind::ui
