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

#include "store/job_store.h"
#include "tool_window.h"
#include "ui/jobs/job_list_view.h"
#include "ui/shell/form_main.h"

int main(int argc, char** argv) {
  using namespace parvolind;
  QApplication application(argc, argv);
  if (argc != 2) {
    std::cerr << "Aufruf: parvolind-window-run NAME\n";
    return 2;
  }
  tools::ToolWindow window;
  if (window.Form() == nullptr) return 1;
  ui::TFormMain& form = *window.Form();
  const std::string job = argv[1];
  if (!JobStore(window.Hive(), window.Parts().clock(), window.Parts().locale()).JobExists(job)) {
    std::cerr << "Der Auftrag '" << job << "' ist nicht vorhanden.\n";
    return 1;
  }
  form.ListViewJobs().SelectRow(job);
  form.FlatButtonExecuteClick();
  return 0;
}
