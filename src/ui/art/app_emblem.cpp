#include "ui/art/app_emblem.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

// Below this size the emblem is drawn plainer, for the tray and small menus.
constexpr int kSmallDrawingLimit = 24;

QPointF OnCircle(const QPointF& center, double radius, double degrees) {
  const double radians = degrees * std::numbers::pi / 180.0;
  // Qt's angles run counter-clockwise on a screen whose y axis points down.
  return {center.x() + radius * std::cos(radians), center.y() - radius * std::sin(radians)};
}

// Two arrows chasing each other round `center`; the pair looks the same after half
// a turn, so turning it by 45 degrees per frame loops after four frames.
QPainterPath CirclingArrows(const QPointF& center, double radius, double width, double head,
                            double rotation) {
  QPainterPath arrows;
  const double sweep = 118.0;
  const double head_degrees = head / radius * 180.0 / std::numbers::pi * 1.15;
  for (const double start : {rotation + 28.0, rotation + 208.0}) {
    const double end = start + sweep;
    const double outer = radius + width / 2;
    const double inner = radius - width / 2;
    const QRectF outer_box(center.x() - outer, center.y() - outer, 2 * outer, 2 * outer);
    const QRectF inner_box(center.x() - inner, center.y() - inner, 2 * inner, 2 * inner);
    QPainterPath arrow;
    arrow.arcMoveTo(outer_box, start);
    arrow.arcTo(outer_box, start, sweep);
    arrow.lineTo(OnCircle(center, radius + head, end));
    arrow.lineTo(OnCircle(center, radius, end + head_degrees));
    arrow.lineTo(OnCircle(center, radius - head, end));
    arrow.arcTo(inner_box, end, -sweep);
    arrow.closeSubpath();
    arrows.addPath(arrow);
  }
  return arrows;
}

QPainterPath Ring(const QPainterPath& path, double width) {
  QPainterPathStroker stroker;
  stroker.setWidth(width);
  stroker.setJoinStyle(Qt::RoundJoin);
  return stroker.createStroke(path);
}

EmblemLayer Solid(const QPainterPath& path, const QColor& colour) {
  return {path, colour, colour, {}, {}};
}

EmblemLayer Gradient(const QPainterPath& path, const QColor& from, const QColor& to,
                     const QPointF& start, const QPointF& end) {
  return {path, from, to, start, end};
}

QPainterPath RoundedSquare(const QRectF& square, double radius) {
  QPainterPath path;
  path.addRoundedRect(square, radius, radius);
  return path;
}

// The emblem in a square of `size` units. The tile runs from the accent's light
// blue at the upper left to the skin's dark blue-grey at the lower right.
std::vector<EmblemLayer> Layers(double size, bool small, int frame) {
  const QColor light = palette::kAccent.lighter(135);
  const QColor dark = palette::kSkinDark;
  std::vector<EmblemLayer> layers;
  if (small) {
    // Whole-pixel edges and bold arrows, so that the picture stays clear at 16 pixels.
    const double unit = size / 16.0;
    const QRectF tile(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit);
    const QPainterPath face = RoundedSquare(tile, 3.2 * unit);
    layers.push_back(Gradient(face, light, dark, tile.topLeft(), tile.bottomRight()));
    layers.push_back(Solid(Ring(face, 1.0 * unit), dark.darker(125)));
    layers.push_back(
        Solid(CirclingArrows(tile.center(), 4.3 * unit, 1.9 * unit, 2.2 * unit, 45.0 * frame),
              Qt::white));
    return layers;
  }
  const QRectF tile(size * 0.04, size * 0.03, size * 0.92, size * 0.92);
  const double corner = size * 0.2;
  layers.push_back(
      Solid(RoundedSquare(tile.translated(0, size * 0.025), corner), QColor(45, 62, 88, 50)));
  const QPainterPath face = RoundedSquare(tile, corner);
  layers.push_back(Gradient(face, light, dark, tile.topLeft(), tile.bottomRight()));
  const QRectF gloss = tile.adjusted(size * 0.04, size * 0.04, -size * 0.04, -size * 0.48);
  layers.push_back(Gradient(RoundedSquare(gloss, corner * 0.8), QColor(255, 255, 255, 70),
                            QColor(255, 255, 255, 0), gloss.topLeft(), gloss.bottomLeft()));
  layers.push_back(Solid(Ring(face, size * 0.02), dark.darker(115)));
  layers.push_back(
      Solid(CirclingArrows(tile.center(), size * 0.25, size * 0.085, size * 0.095, 45.0 * frame),
            Qt::white));
  return layers;
}

QBrush LayerBrush(const EmblemLayer& layer) {
  if (layer.from == layer.to) return layer.from;
  QLinearGradient gradient(layer.start, layer.end);
  gradient.setColorAt(0, layer.from);
  gradient.setColorAt(1, layer.to);
  return gradient;
}

QString SvgNumber(double value) { return QString::number(value, 'f', 2); }

QString SvgPathData(const QPainterPath& path) {
  QString data;
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element element = path.elementAt(i);
    const QString point = SvgNumber(element.x) + QLatin1Char(' ') + SvgNumber(element.y);
    switch (element.type) {
      case QPainterPath::MoveToElement:
        data += QStringLiteral("M") + point;
        break;
      case QPainterPath::LineToElement:
        data += QStringLiteral("L") + point;
        break;
      case QPainterPath::CurveToElement:
        data += QStringLiteral("C") + point;
        break;
      case QPainterPath::CurveToDataElement:
        data += QLatin1Char(' ') + point;
        break;
    }
  }
  return data;
}

QString SvgColour(const QColor& colour) { return colour.name(QColor::HexRgb); }

}  // namespace

std::vector<EmblemLayer> AppEmblemLayers(int size, int frame) {
  frame = ((frame % kEmblemFrames) + kEmblemFrames) % kEmblemFrames;
  return Layers(size, size <= kSmallDrawingLimit, frame);
}

void PaintAppEmblem(QPainter& painter, const QRectF& box, int frame) {
  const double side = std::min(box.width(), box.height());
  const int size = std::max(1, static_cast<int>(std::lround(side)));
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.translate(box.left() + (box.width() - side) / 2, box.top() + (box.height() - side) / 2);
  painter.scale(side / size, side / size);
  for (const EmblemLayer& layer : AppEmblemLayers(size, frame)) {
    painter.setBrush(LayerBrush(layer));
    painter.drawPath(layer.path);
  }
  painter.restore();
}

QImage AppEmblemImage(int size, int frame) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  PaintAppEmblem(painter, QRectF(0, 0, size, size), frame);
  return image;
}

QString AppEmblemSvg() {
  constexpr int kCanvas = 256;
  QString gradients;
  QString shapes;
  int gradient_count = 0;
  for (const EmblemLayer& layer : AppEmblemLayers(kCanvas)) {
    QString fill = QStringLiteral("fill=\"%1\" fill-opacity=\"%2\"")
                       .arg(SvgColour(layer.from), SvgNumber(layer.from.alphaF()));
    if (layer.from != layer.to) {
      const QString id = QStringLiteral("g%1").arg(++gradient_count);
      gradients += QStringLiteral(
                       "    <linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" "
                       "x1=\"%2\" y1=\"%3\" x2=\"%4\" y2=\"%5\">\n")
                       .arg(id, SvgNumber(layer.start.x()), SvgNumber(layer.start.y()),
                            SvgNumber(layer.end.x()), SvgNumber(layer.end.y()));
      for (const auto& [offset, colour] : {std::pair{0, layer.from}, std::pair{1, layer.to}}) {
        gradients +=
            QStringLiteral("      <stop offset=\"%1\" stop-color=\"%2\" stop-opacity=\"%3\"/>\n")
                .arg(QString::number(offset), SvgColour(colour), SvgNumber(colour.alphaF()));
      }
      gradients += QStringLiteral("    </linearGradient>\n");
      fill = QStringLiteral("fill=\"url(#%1)\"").arg(id);
    }
    shapes += QStringLiteral("  <path %1 fill-rule=\"%2\" d=\"%3\"/>\n")
                  .arg(fill,
                       layer.path.fillRule() == Qt::WindingFill ? QStringLiteral("nonzero")
                                                                : QStringLiteral("evenodd"),
                       SvgPathData(layer.path));
  }
  return QStringLiteral(
             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
             "viewBox=\"0 0 %1 %1\">\n"
             "  <defs>\n%2  </defs>\n%3</svg>\n")
      .arg(QString::number(kCanvas), gradients, shapes);
}

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(QPixmap::fromImage(AppEmblemImage(size)));
  }
  return icon;
}

QIcon AppIconFrame(int frame) {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64}) {
    icon.addPixmap(QPixmap::fromImage(AppEmblemImage(size, frame)));
  }
  return icon;
}

}  // namespace parvolind::ui
