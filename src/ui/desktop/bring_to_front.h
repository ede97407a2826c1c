#pragma once

class QWidget;

namespace parvolind::ui {

/// Shows a top-level window, restoring it from a minimise, raises it and asks for the keyboard
/// focus, as "Anzeigen" and the viewer windows do.
void BringToFront(QWidget& window);

}  // namespace parvolind::ui
