#include "ui/ui_test_support.h"

#include <cstdlib>

#include "ui/toolkit/theme.h"

namespace parvolind::testing {

QApplication& EnsureApplication() {
  static int argc = 1;
  static char name[] = "parvolind_ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    auto* app = new QApplication(argc, argv);
    ui::LoadApplicationFonts();
    return app;
  }();
  return *application;
}

}  // namespace parvolind::testing
