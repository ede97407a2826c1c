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
/// `size` by `size` units, filled with a vertical gradient from `top` to `bottom`
/// across the path's height (one colour when both are equal).
struct EmblemLayer {
  QPainterPath path;
  QColor top;
  QColor bottom;
};

/// Number of frames of the emblem's animation; frame 0 is the resting emblem.
inline constexpr int kEmblemFrames = 4;

/// The emblem (a folder with a round badge of two circling arrows) as filled
/// layers, bottom first, drawn for a square of `size` pixels: small sizes get a
/// simpler drawing on whole pixels, large ones the detailed one. Frames 1 to 3
/// turn the arrows on by 45 degrees each, so frame 3 leads back to frame 0.
std::vector<EmblemLayer> AppEmblemLayers(int size, int frame = 0);

/// Paints the emblem's `frame` into `box` (a square works best).
void PaintAppEmblem(QPainter& painter, const QRectF& box, int frame = 0);

/// A square image of the emblem, `size` pixels wide, transparent around it.
QImage AppEmblemImage(int size, int frame = 0);

/// The emblem as an SVG document (the detailed drawing, a 256 by 256 canvas).
QString AppEmblemSvg();

/// The application icon: the resting emblem, drawn for every usual size.
QIcon AppIcon();

/// One frame of the tray animation as an icon (16 pixels and the larger sizes
/// a tray may ask for).
QIcon AppIconFrame(int frame);

}  // namespace parvolind::ui
