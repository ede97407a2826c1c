// parvolind-screenshot-tour FOLDER: shows the program's windows on the X display (run
// it under Xvfb, with XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_RUNTIME_DIR pointing
// into a sandbox), walks through their states and saves a PNG of each into FOLDER.
// It fills an empty sandbox store with a few example jobs and folders first.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "platform/app_paths.h"
#include "platform/registry_hive.h"
#include "schedule/schedule_computation.h"
#include "silent_dialogs.h"
#include "store/job_store.h"
#include "store/settings.h"
#include "ui/controls/flat_button.h"
#include "ui/desktop/tray_icon.h"
#include "ui/jobs/job_button.h"
#include "ui/jobs/job_list_view.h"
#include "ui/preview/preview_window.h"
#include "ui/questions/form_confirm.h"
#include "ui/questions/question_button.h"

#include "ui/run/progress_panel.h"
#include "ui/run/window_run.h"
#include "ui/shell/form_info.h"
#include "ui/shell/form_main.h"
#include "ui/shell/main_window_parts.h"
#include "ui/skin/skin_area.h"
#include "ui/toolkit/qt_translations.h"
#include "ui/toolkit/theme.h"
#include "ui/viewers/help_window.h"
#include "ui/wizard/job_wizard.h"

namespace {

using namespace parvolind;

// Lets the window system map and paint for a while.
void Settle(int milliseconds = 400) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

// Saves what the screen shows around `widget` (the real, masked window).
void Shoot(const QWidget& widget, const QString& folder, const QString& name, int extra_right = 0,
           int extra_bottom = 0) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect frame =
      widget.frameGeometry().adjusted(-12, -12, 12 + extra_right, 12 + extra_bottom);
  const QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  const QString path = folder + QLatin1Char('/') + name;
  if (!shot.save(path)) std::cerr << "konnte nicht speichern: " << path.toStdString() << "\n";
  std::cout << path.toStdString() << "\n";
}

void WriteFile(const QString& path, qint64 size) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  const QByteArray block(1 << 20, 'p');
  for (qint64 written = 0; written < size; written += block.size()) {
    file.write(block.constData(), std::min<qint64>(block.size(), size - written));
  }
}

// Example jobs and folders for an empty sandbox.
void MakeExamples(JobStore& store, const QString& sandbox) {
  if (!store.ListJobs().empty()) return;
  const auto save = [&](const char* name, const char* from, const char* to,
                        const std::function<void(JobDefinition&)>& adjust) {
    JobDefinition job;
    job.Name = name;
    job.Dir1 = (sandbox + QStringLiteral("/daten/") + QString::fromUtf8(from) + "/").toStdString();
    job.Dir2 =
        (sandbox + QStringLiteral("/sicherung/") + QString::fromUtf8(to) + "/").toStdString();
    job.DirDown = true;
    job.CritAll = false;
    job.CritNew = true;
    adjust(job);
    store.SaveJob(job, "", [](const std::string&) { return 0.0; });
  };
  save("Fotos", "Fotos", "Fotos", [](JobDefinition& job) {
    job.IntEnabled = true;
    job.Intervall = 30;
  });
  save("Dokumente", "Dokumente", "Dokumente", [](JobDefinition& job) {
    job.TimeEnabled = true;
    job.Time = "18:30";
  });
  save("Musik", "Musik", "Musik", [](JobDefinition&) {});
  save("Projekte", "Projekte", "Projekte", [](JobDefinition& job) {
    job.TimeEnabled = true;
    job.Time = "07:15";
    job.OnMonday = job.OnTuesday = job.OnWednesday = job.OnThursday = job.OnFriday =
        job.OnSaturday = job.OnSunday = false;
    job.OnSunday = true;
  });
  save("Videoschnitt Rohmaterial", "Video", "Video", [](JobDefinition& job) { job.DirUp = true; });
  for (int i = 0; i < 12; ++i) {
    WriteFile(sandbox + QStringLiteral("/daten/Fotos/2026/Urlaub/IMG_%1.jpg").arg(4100 + i),
              64 << 10);
  }
  for (int i = 0; i < 6; ++i) {
    WriteFile(sandbox + QStringLiteral("/daten/Video/Rohschnitt/Szene %1.mov").arg(i + 1),
              96 << 20);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Parvolind"));
  QApplication::setQuitOnLastWindowClosed(false);
  ui::InstallGermanQtTexts(application);
  if (argc != 2) {
    std::cerr << "Aufruf: parvolind-screenshot-tour ORDNER\n";
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  ui::LoadApplicationFonts();
  QApplication::setFont(ui::WindowFont(11));

  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenUserRegistryHive(&error);
  if (!hive) {
    std::cerr << error << "\n";
    return 1;
  }
  tools::SilentDialogs dialogs;
  ui::MainWindowParts parts(*hive, QStringLiteral("0.1.0.1"));
  const QString sandbox = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).absoluteFilePath("..");
  JobStore store(*hive, parts.clock(), parts.locale());
  MakeExamples(store, QDir::cleanPath(sandbox));

  // The desktop of the tour opens nothing, so the help shows in the program's own window.
  ui::TFormMain form(
      parts.Services(dialogs, std::string(), HelpFilePath(),
                     [](const QUrl&, const std::function<void(bool)>& done) { done(false); }));
  Settings& settings = parts.settings();
  ui::TFormConfirm& confirm = parts.confirm();
  ui::TFormInfo& info = parts.info();
  ui::TrayIcon tray;
  tray.Show();
  form.SetMinimizeToTray(tray.Available());
  form.Run().SetIconAnimationHandler([&tray](bool on) { tray.SetAnimation(on); });
  if (!form.FormCreate(false)) return 1;
  form.show();
  Settle(800);

  // The main window with a lit button and the list.
  form.ListViewJobs().SelectRow("Dokumente");
  emit form.Buttons().New().Hovered();
  Settle();
  Shoot(form, folder, QStringLiteral("01-hauptfenster.png"));
  form.CoolFormMainMouseMove();

  form.ShowJobInfo("Videoschnitt Rohmaterial");
  Settle();
  Shoot(form, folder, QStringLiteral("02-informationen.png"));

  // The wizard, pages 1 to 3, with the first direction ticked.
  form.FlatButtonNewClick();
  Settle();
  Shoot(form, folder, QStringLiteral("03-assistent-1.png"));
  ui::JobWizard& wizard = form.SimplePanelWizard();
  wizard.FlatButtonNextClick();
  if (auto* down = wizard.findChild<QCheckBox*>(QStringLiteral("CheckBoxDirectionDown"))) {
    down->click();
  }
  Settle();
  Shoot(form, folder, QStringLiteral("04-assistent-2.png"));
  wizard.FlatButtonNextClick();
  Settle();
  Shoot(form, folder, QStringLiteral("05-assistent-3.png"));
  wizard.FlatButtonCancelClick();
  Settle();

  // The progress panel during a run; the tour cancels it after the picture.
  settings.ChooseBufferSize(32);
  QTimer::singleShot(300, [&] {
    Shoot(form, folder, QStringLiteral("06-fortschritt.png"));
    form.SimplePanelProgress().CancelButton().click();
  });
  form.ListViewJobs().SelectRow("Videoschnitt Rohmaterial");
  form.ExecuteSynchronisation("Videoschnitt Rohmaterial");
  settings.ChooseBufferSize(128);
  Settle();

  // A question window, answered No after the picture.
  QTimer::singleShot(800, [&] {
    Shoot(confirm, folder, QStringLiteral("07-frage.png"));
    confirm.NoButton().click();
  });
  confirm.Ask("Dokumente");
  Settle();

  // The Optionen menu with its submenu open.
  form.activateWindow();
  emit form.Menus().Title(ui::WindowMenus::Menu::kOptionen).Hovered();
  form.ImageMenuOptionenMoveClick();
  Settle();
  if (QMenu* sub = form.PopupMenuOptionen().actions().value(1)->menu()) {
    form.PopupMenuOptionen().setActiveAction(form.PopupMenuOptionen().actions().value(1));
    Settle(200);
    if (QMenu* puffer = sub->actions().value(0)->menu()) {
      sub->setActiveAction(sub->actions().value(0));
      Q_UNUSED(puffer);
    }
  }
  Settle();
  Shoot(form, folder, QStringLiteral("08-menue-optionen.png"), 120, 0);
  form.PopupMenuOptionen().close();
  form.CoolFormMainMouseMove();
  Settle();

  // The preview of a job that has everything still to copy.
  form.ListViewJobs().SelectRow("Fotos");
  form.Vorschau1Click();
  Settle(400);
  if (ui::PreviewWindow* preview = form.Run().OwnPreviewWindow()) {
    Shoot(*preview, folder, QStringLiteral("13-vorschau.png"));
    preview->hide();
  }
  form.CoolFormMainMouseMove();

  info.Show();
  Settle();
  Shoot(info, folder, QStringLiteral("09-info.png"));
  info.hide();

  // The keyboard's place on a job button, apart from the lit face of the mouse's.
  form.activateWindow();
  Settle(200);
  emit form.Buttons().New().Hovered();
  form.Buttons().Edit().setFocus(Qt::TabFocusReason);
  Settle();
  Shoot(form, folder, QStringLiteral("11-fokus.png"));
  form.CoolFormMainMouseMove();

  // The help in the program's own window, where the desktop has no browser for it.
  form.Hilfe1Click();
  Settle(800);
  if (ui::HelpWindow* help = form.Documents().OwnHelpWindow()) {
    Shoot(*help, folder, QStringLiteral("12-hilfe.png"));
    help->hide();
  }

  // The tray's menu, opened where a click on the tray (bottom right) opens it.
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desktop = screen->geometry();
  QMenu& tray_menu = *tray.Menu();
  tray_menu.popup(QPoint(desktop.right() - 190, desktop.bottom() - 150));
  Settle();
  const QRect corner(desktop.right() - 260, desktop.bottom() - 190, 260, 190);
  screen->grabWindow(0, corner.x(), corner.y(), corner.width(), corner.height())
      .save(folder + QStringLiteral("/10-tray-menue.png"));
  std::cout << (folder + QStringLiteral("/10-tray-menue.png")).toStdString() << "\n";
  tray_menu.close();
  return 0;
}
