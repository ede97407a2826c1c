#include "ui/program_emblem.h"

#include "ui/app_emblem.h"

namespace parvolind::ui {

// The windows show the same emblem as the application icon and the tray.
void PaintProgramEmblem(QPainter& painter, const QRectF& box) { PaintAppEmblem(painter, box); }

}  // namespace parvolind::ui
