#include "ui/app_emblem.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace parvolind::ui {
namespace {

// Colours of the emblem: the window's blue-greys and a warm amber for the badge.
const QColor kFolderBackTop{112, 138, 172};
const QColor kFolderBackBottom{72, 96, 128};
const QColor kFolderFrontTop{240, 244, 249};
const QColor kFolderFrontBottom{198, 211, 227};
const QColor kOutline{56, 76, 104};
const QColor kBadgeTop{252, 190, 84};
const QColor kBadgeBottom{222, 128, 30};
const QColor kBadgeRim{255, 255, 255};
const QColor kArrows{255, 255, 255};
const QColor kBadgeEdge{176, 96, 20};

// Below this size the emblem is drawn on a 16-unit grid with fewer details.
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

// A folder: a tab on the upper left and the body below it, in a `body` rectangle.
QPainterPath Folder(const QRectF& body, double tab_width, double tab_height, double radius) {
  QPainterPath tab;
  tab.moveTo(body.left(), body.top() + radius);
  tab.lineTo(body.left(), body.top() - tab_height + radius);
  tab.quadTo(body.left(), body.top() - tab_height, body.left() + radius, body.top() - tab_height);
  tab.lineTo(body.left() + tab_width, body.top() - tab_height);
  tab.lineTo(body.left() + tab_width + tab_height, body.top());
  tab.lineTo(body.left() + radius, body.top());
  tab.closeSubpath();
  QPainterPath folder;
  folder.addRoundedRect(body, radius, radius);
  return folder.united(tab);
}

QPainterPath Ring(const QPainterPath& path, double width) {
  QPainterPathStroker stroker;
  stroker.setWidth(width);
  stroker.setJoinStyle(Qt::RoundJoin);
  return stroker.createStroke(path);
}

QPainterPath Disc(const QPointF& center, double radius) {
  QPainterPath disc;
  disc.addEllipse(center, radius, radius);
  return disc;
}

// The detailed emblem on a 64-unit grid: a dark folder behind a light one and
// the amber badge with the arrows in front.
std::vector<EmblemLayer> DetailedLayers(int frame) {
  std::vector<EmblemLayer> layers;
  const QPainterPath back = Folder(QRectF(4, 13, 44, 32), 17, 5, 3);
  layers.push_back({back, kFolderBackTop, kFolderBackBottom});
  const QPainterPath front = Folder(QRectF(11, 24, 44, 31), 17, 5, 3);
  layers.push_back({front, kFolderFrontTop, kFolderFrontBottom});
  layers.push_back({Ring(front, 1.6), kOutline, kOutline});
  const QPointF center(45.5, 45.5);
  layers.push_back({Disc(center, 16.5), kBadgeRim, kBadgeRim});
  layers.push_back({Disc(center, 14.5), kBadgeTop, kBadgeBottom});
  layers.push_back({Ring(Disc(center, 14.5), 1.0), kBadgeEdge, kBadgeEdge});
  layers.push_back({CirclingArrows(center, 8.6, 3.2, 3.6, 45.0 * frame), kArrows, kArrows});
  return layers;
}

// The small emblem on a 16-unit grid: one folder, the badge over its corner.
std::vector<EmblemLayer> SmallLayers(int frame) {
  std::vector<EmblemLayer> layers;
  const QPainterPath folder = Folder(QRectF(0.5, 3, 12, 8.5), 4.5, 2, 1);
  layers.push_back({folder, kFolderBackTop, kFolderBackBottom});
  layers.push_back({Ring(folder, 1.0), kOutline, kOutline});
  const QPointF center(10, 10);
  layers.push_back({Disc(center, 6), kBadgeRim, kBadgeRim});
  layers.push_back({Disc(center, 5.2), kBadgeBottom, kBadgeBottom});
  layers.push_back({CirclingArrows(center, 3.0, 1.6, 1.7, 45.0 * frame), kArrows, kArrows});
  return layers;
}

QBrush LayerBrush(const EmblemLayer& layer) {
  if (layer.top == layer.bottom) return layer.top;
  const QRectF bounds = layer.path.boundingRect();
  QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
  gradient.setColorAt(0, layer.top);
  gradient.setColorAt(1, layer.bottom);
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
  const bool small = size <= kSmallDrawingLimit;
  std::vector<EmblemLayer> layers = small ? SmallLayers(frame) : DetailedLayers(frame);
  const QTransform scale =
      QTransform::fromScale(size / (small ? 16.0 : 64.0), size / (small ? 16.0 : 64.0));
  for (EmblemLayer& layer : layers) layer.path = scale.map(layer.path);
  return layers;
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
    QString fill = SvgColour(layer.top);
    if (layer.top != layer.bottom) {
      const QRectF bounds = layer.path.boundingRect();
      const QString id = QStringLiteral("g%1").arg(++gradient_count);
      gradients += QStringLiteral(
                       "    <linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" "
                       "y1=\"%2\" x2=\"0\" y2=\"%3\">\n"
                       "      <stop offset=\"0\" stop-color=\"%4\"/>\n"
                       "      <stop offset=\"1\" stop-color=\"%5\"/>\n"
                       "    </linearGradient>\n")
                       .arg(id, SvgNumber(bounds.top()), SvgNumber(bounds.bottom()),
                            SvgColour(layer.top), SvgColour(layer.bottom));
      fill = QStringLiteral("url(#%1)").arg(id);
    }
    shapes += QStringLiteral("  <path fill=\"%1\" fill-rule=\"%2\" d=\"%3\"/>\n")
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
