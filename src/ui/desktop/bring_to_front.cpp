#include "ui/desktop/bring_to_front.h"

#include <QWidget>

namespace parvolind::ui {

void BringToFront(QWidget& window) {
  if (window.isMinimized()) {
    window.showNormal();
  } else {
    window.show();
  }
  window.raise();
  window.activateWindow();
}

}  // namespace parvolind::ui
