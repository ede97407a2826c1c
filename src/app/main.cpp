// parvolind: the desktop program. Creates the platform objects, the store and the
// windows, hands them to each other and runs the event loop.

#include <QApplication>

#include "ui/theme.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Parvolind"));
  parvolind::ui::LoadApplicationFonts();
  return 0;
}
