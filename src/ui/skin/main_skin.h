#pragma once

#include <QPainterPath>

class QPainter;

namespace parvolind::ui {

/// The main window's outline in its 598 x 414 client area: a rectangle from 33 to 568
/// across and 24 to 379 down with slightly rounded upper corners, whose lower edge bows
/// down in a shallow arc to 403 in the middle.
QPainterPath MainWindowOutline();

/// Paints the main window's skin inside `outline`: the title band with room for the
/// three menu titles and the close button, the side panel with the program's emblem,
/// the band behind the job buttons and the rules above and below the list.
void PaintMainSkin(QPainter& painter, const QPainterPath& outline);

}  // namespace parvolind::ui
