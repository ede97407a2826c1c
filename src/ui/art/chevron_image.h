#pragma once

#include <QPixmap>

namespace parvolind::ui {

/// Which way a double chevron points.
enum class ChevronDirection { kUp, kDown };

/// A double chevron (two stacked arrowheads) `size` pixels square in the accent
/// colour, painted on a transparent ground.
QPixmap ChevronImage(ChevronDirection direction, int size);

}  // namespace parvolind::ui
