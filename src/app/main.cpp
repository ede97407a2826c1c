// parvolind: the desktop program. Creates the platform objects, the store and the
// windows, hands them to each other and runs the event loop.

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QSessionManager>
#include <functional>
#include <memory>
#include <string>

#include "platform/app_paths.h"
#include "platform/desktop_open.h"
#include "platform/instance_lock.h"
#include "platform/registry_hive.h"
#include "platform/session_end.h"
#include "ui/art/app_emblem.h"
#include "ui/desktop/tray_icon.h"
#include "ui/run/window_run.h"
#include "ui/shell/form_main.h"
#include "ui/shell/main_window_parts.h"
#include "ui/toolkit/message_box_dialogs.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/qt_translations.h"
#include "ui/toolkit/theme.h"

int main(int argc, char** argv) {
  using namespace parvolind;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Parvolind"));
  QApplication::setApplicationDisplayName(QStringLiteral("Parvolind"));
  // The installed desktop entry's name, so that the desktop's window list and software
  // centre tie the window to the entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("de.orbelt.parvolind"));
  // Closing the window only hides it; the program lives on in the tray.
  QApplication::setQuitOnLastWindowClosed(false);
  // The program speaks German, and so must the dialogs and buttons Qt draws for it.
  ui::InstallGermanQtTexts(application);
  ui::LoadApplicationFonts();
  QApplication::setFont(ui::WindowFont(11));
  QApplication::setWindowIcon(ui::AppIcon());

  // One instance per user: a second start brings the first one's window to the front
  // and ends at once, without touching the log or the store.
  InstanceLock instance;
  if (instance.TryAcquire() == InstanceRole::kSecond) {
    instance.RequestShowFirst();
    return 0;
  }

  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenUserRegistryHive(&error);
  if (!hive) {
    QMessageBox::critical(
        nullptr, QStringLiteral("Parvolind"),
        QStringLiteral("Die Konfiguration kann nicht geöffnet werden: ") + ui::ToQString(error));
    return 1;
  }
  ui::MessageBoxDialogs dialogs;
  ui::MainWindowParts parts(*hive, QStringLiteral(PARVOLIND_VERSION));
  QObject::connect(&parts.info(), &ui::TFormInfo::LinkActivated,
                   [](const QUrl& url) { QDesktopServices::openUrl(url); });
  // The log and the help open in the user's programs; where the desktop has none for
  // them, the window shows them itself.
  const auto open_url = [](const QUrl& url, std::function<void(bool)> done) {
    OpenWithDesktop(url.toLocalFile().toStdString(), std::move(done));
  };
  ui::TFormMain form(
      parts.Services(dialogs, FileBesideExecutable("parvolind.log"), HelpFilePath(), open_url));
  dialogs.SetParent(&form);

  ui::TrayIcon tray;
  tray.Show();
  form.SetMinimizeToTray(tray.Available());
  QObject::connect(&tray, &ui::TrayIcon::AvailabilityChanged, &form, [&form](bool available) {
    form.SetMinimizeToTray(available);
    // A window hidden into a tray that went away must not be lost.
    if (!available && form.isHidden()) form.showMinimized();
  });
  QObject::connect(&tray, &ui::TrayIcon::ShowRequested, &form, &ui::TFormMain::Anzeigen1Click);
  QObject::connect(&tray, &ui::TrayIcon::MinimizeRequested, &form,
                   &ui::TFormMain::Minimieren1Click);
  QObject::connect(&tray, &ui::TrayIcon::QuitRequested, &form, &ui::TFormMain::Beenden1Click);
  QObject::connect(&tray, &ui::TrayIcon::InfoRequested, &form, &ui::TFormMain::Info1Click);
  form.Run().SetIconAnimationHandler([&tray](bool on) { tray.SetAnimation(on); });
  QObject::connect(&form, &ui::TFormMain::RunNeedsAttention, &tray, [&tray](const QString& text) {
    tray.ShowMessage(QStringLiteral("Parvolind"), text);
  });
  // A log that could not be written (a full disk, a log that is no file) is told once per
  // run: the window's user would otherwise never learn that the runs go unrecorded.
  QObject::connect(
      &form, &ui::TFormMain::RunLogNotWritten, &form, [&form, &tray, &dialogs](const QString& why) {
        if (form.ProgramEnding()) return;
        const QString text = QStringLiteral("Das Logfile konnte nicht geschrieben werden: ") + why;
        if (tray.Available()) {
          tray.ShowMessage(QStringLiteral("Parvolind"), text);
        } else {
          dialogs.Warn(text);
        }
      });
  instance.SetShowRequestHandler([&form] { form.Anzeigen1Click(); });

  // The end of the session. The session manager first asks, and may still call the
  // logout off, so its question is only answered; the session ends with its last word
  // (the application's quit request) or with SIGTERM, which systemd and most sessions
  // send at logout and shutdown.
  SessionEndWatch session_end([&form] { form.SessionEnding(); });
  QObject::connect(&application, &QGuiApplication::commitDataRequest, &form,
                   [&form](QSessionManager& manager) {
                     const bool may_ask = manager.allowsInteraction();
                     const bool may_end = form.WMQueryEndSession(may_ask);
                     if (may_ask) manager.release();
                     if (!may_end) manager.cancel();
                   });
  application.installEventFilter(&form);

  form.FormCreate(true);
  const int result = QApplication::exec();
  form.FormDestroy();
  tray.Hide();
  return result;
}
