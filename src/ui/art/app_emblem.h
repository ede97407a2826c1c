#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace parvolind::ui {

/// One filled shape of the program's emblem: a path in the emblem's own square of
/// `size` by `size` units, filled with a linear gradient from `from` at `start` to
/// `to` at `end` (one colour when both colours are equal).
struct EmblemLayer {
  QPainterPath path;
  QColor from;
  QColor to;
  QPointF start;
  QPointF end;
};

/// Number of frames of the emblem's animation; frame 0 is the resting emblem.
inline constexpr int kEmblemFrames = 4;

/// The emblem (a rounded blue-grey tile with two white arrows chasing each other
/// round it: the two folders kept in step) as filled layers, bottom first, drawn
/// for a square of `size` pixels: small sizes get a plainer drawing with bolder
/// arrows and a one-pixel edge, large ones a shadow and a gloss. Frames 1 to 3 turn
/// the arrows on by 45 degrees each, so frame 3 leads back to frame 0.
std::vector<EmblemLayer> AppEmblemLayers(int size, int frame = 0);

/// Paints the emblem's `frame` into `box` (a square works best).
void PaintAppEmblem(QPainter& painter, const QRectF& box, int frame = 0);

/// A square image of the emblem, `size` pixels wide, transparent around it.
QImage AppEmblemImage(int size, int frame = 0);

/// The emblem as an SVG document (the large drawing, a 256 by 256 canvas).
QString AppEmblemSvg();

/// The application icon: the resting emblem, drawn for every usual size.
QIcon AppIcon();

/// One frame of the tray animation as an icon (16 pixels and the larger sizes
/// a tray may ask for).
QIcon AppIconFrame(int frame);

}  // namespace parvolind::ui
