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
#include "platform/registry_hive.h"
#include "silent_dialogs.h"
#include "store/job_store.h"
#include "ui/jobs/job_list_view.h"
#include "ui/shell/form_main.h"
#include "ui/shell/main_window_parts.h"
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
  tools::SilentDialogs dialogs;
  ui::MainWindowParts parts(*hive, QStringLiteral("0.0.0.0"));
  ui::TFormMain form(parts.Services(dialogs, FileBesideExecutable("parvolind.log"), std::string(),
                                    [](const QUrl&, const std::function<void(bool)>&) {}));
  if (!form.FormCreate(false)) return 1;
  form.show();
  const std::string job = argv[1];
  if (!JobStore(*hive, parts.clock(), parts.locale()).JobExists(job)) {
    std::cerr << "Der Auftrag '" << job << "' ist nicht vorhanden.\n";
    return 1;
  }
  form.ListViewJobs().SelectRow(job);
  form.FlatButtonExecuteClick();
  return 0;
}
