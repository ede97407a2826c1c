#pragma once

#include <QRectF>

class QPainter;

namespace parvolind::ui {

/// Paints the program's emblem into `box` (best square): two folders on a rounded
/// blue-grey tile, joined by a pair of arrows that run in opposite directions.
void PaintProgramEmblem(QPainter& painter, const QRectF& box);

}  // namespace parvolind::ui
