// parvolind-window-run NAME: runs the job NAME through the main window, as its run
// command does, with the window shown (on the offscreen platform in the benchmark),
// then ends. Exit 0 when the run was carried out, 1 when it could not start, 2 for a
// wrong call.

#include <QApplication>
#include <QUrl>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "platform/app_paths.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "silent_dialogs.h"
#include "store/job_store.h"
#include "store/settings.h"
#include "ui/jobs/job_list_view.h"
#include "ui/questions/question_windows.h"
#include "ui/shell/form_info.h"
#include "ui/shell/form_main.h"
#include "ui/toolkit/theme.h"

int main(int argc, char** argv) {
  using namespace parvolind;
  QApplication application(argc, argv);
  if (argc != 2) {
    std::cerr << "Aufruf: parvolind-window-run NAME\n";
    return 2;
  }
  ui::LoadApplicationFonts();
  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenUserRegistryHive(&error);
  if (!hive) {
    std::cerr << error << "\n";
    return 1;
  }
  std::unique_ptr<Clock> clock = CreateSystemClock();
  std::unique_ptr<Locale> locale = CreateSystemLocale();
  std::unique_ptr<FileSystem> fs = CreateFileSystem();
  std::unique_ptr<RunLocks> locks = CreateUserRunLocks();
  Settings settings(*hive);
  tools::SilentDialogs dialogs;
  ui::TFormConfirm confirm;
  ui::TFormRecover recover;
  ui::TFormInfo info(QStringLiteral("0.0.0.0"));
  ui::TFormMain form(
      ui::MainWindowServices{.hive = *hive,
                             .fs = *fs,
                             .locks = *locks,
                             .clock = *clock,
                             .locale = *locale,
                             .settings = settings,
                             .dialogs = dialogs,
                             .confirm = confirm,
                             .recover = recover,
                             .info = info,
                             .log_path = FileBesideExecutable("parvolind.log"),
                             .help_path = std::string(),
                             .open_url = [](const QUrl&, const std::function<void(bool)>&) {}});
  if (!form.FormCreate(false)) return 1;
  form.show();
  const std::string job = argv[1];
  if (!JobStore(*hive, *clock, *locale).JobExists(job)) {
    std::cerr << "Der Auftrag '" << job << "' ist nicht vorhanden.\n";
    return 1;
  }
  form.ListViewJobs().SelectRow(job);
  form.FlatButtonExecuteClick();
  return 0;
}
