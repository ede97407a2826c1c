// parvolind: the desktop program. Creates the platform objects, the store and the
// windows, hands them to each other and runs the event loop.

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <memory>
#include <string>

#include "platform/app_paths.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/settings.h"
#include "ui/dialogs.h"
#include "ui/form_info.h"
#include "ui/form_main.h"
#include "ui/question_windows.h"
#include "ui/theme.h"

int main(int argc, char** argv) {
  using namespace parvolind;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Parvolind"));
  QApplication::setApplicationDisplayName(QStringLiteral("Parvolind"));
  // Closing the window only hides it; the program lives on in the tray.
  QApplication::setQuitOnLastWindowClosed(false);
  ui::LoadApplicationFonts();
  QApplication::setFont(ui::WindowFont(11));

  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenUserRegistryHive(&error);
  if (!hive) {
    QMessageBox::critical(
        nullptr, QStringLiteral("Parvolind"),
        QStringLiteral("Die Konfiguration kann nicht geöffnet werden: ") + ui::ToQString(error));
    return 1;
  }
  std::unique_ptr<Clock> clock = CreateSystemClock();
  std::unique_ptr<Locale> locale = CreateSystemLocale();
  std::unique_ptr<FileSystem> fs = CreateFileSystem();
  std::unique_ptr<RunLocks> locks = CreateUserRunLocks();
  Settings settings(*hive);
  ui::MessageBoxDialogs dialogs;
  ui::TFormConfirm confirm;
  ui::TFormRecover recover;
  ui::TFormInfo info(QStringLiteral(PARVOLIND_VERSION));
  const auto open_url = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  QObject::connect(&info, &ui::TFormInfo::LinkActivated, open_url);
  ui::TFormMain form({*hive, *fs, *locks, *clock, *locale, settings, dialogs, confirm, recover,
                      info, FileBesideExecutable("parvolind.log"), std::string(), open_url});
  dialogs.SetParent(&form);
  form.FormCreate(true);
  return QApplication::exec();
}
