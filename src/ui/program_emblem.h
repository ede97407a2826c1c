#pragma once

#include <QRectF>

class QPainter;

namespace parvolind::ui {

/// Paints the program's emblem into `box` (best square): a rounded blue-grey tile
/// with two arrows chasing each other round it, the resting frame of the application
/// icon (see app_emblem.h).
void PaintProgramEmblem(QPainter& painter, const QRectF& box);

}  // namespace parvolind::ui
