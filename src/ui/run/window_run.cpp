#include "ui/run/window_run.h"

#include <QWidget>
#include <optional>
#include <utility>

#include "ui/ending/program_exit.h"
#include "ui/preview/preview_window.h"
#include "ui/run/progress_panel.h"
#include "ui/run/run_attention.h"
#include "ui/run/window_run_host.h"
#include "ui/toolkit/qt_strings.h"

namespace parvolind::ui {

WindowRun::WindowRun(WindowRunServices services, ProgressPanel& panel, QWidget& covered,
                     const ProgramExit& exit, QWidget& window)
    : QObject(&window),
      services_(std::move(services)),
      window_(window),
      host_(std::make_unique<WindowRunHost>(panel, covered, services_.dialogs)) {
  log_ = std::make_unique<LogWriter>(
      services_.log_path, services_.fs, *host_,
      // Once the end of the session is logged, nothing may follow the shutdown entry.
      [this, &exit] { return services_.settings.logfile() && !exit.ShutdownLogged(); },
      services_.clock, services_.locale);
  run_ = std::make_unique<SynchronisationRun>(
      services_.hive, services_.fs, *host_, host_->Control(), *log_, services_.clock,
      services_.locale, services_.job_date, services_.locks);
}

WindowRun::~WindowRun() = default;

void WindowRun::Execute(const std::string& job_name, bool unwatched) {
  host_->BeginRun();
  const RunResult result = run_->ExecuteSynchronisation(job_name, CurrentRunOptions());
  if (result.log_error) emit LogNotWritten(ToQString(*result.log_error));
  const std::optional<QString> attention = RunAttentionText(job_name, result);
  if (unwatched && attention) emit AttentionNeeded(job_name, *attention);
}

void WindowRun::Preview(const std::string& job_name) {
  if (preview_window_ == nullptr) {
    preview_window_ =
        new PreviewWindow(PreviewServices{.hive = services_.hive,
                                          .fs = services_.fs,
                                          .locks = services_.locks,
                                          .clock = services_.clock,
                                          .locale = services_.locale,
                                          .control = host_->Control(),
                                          .job_date = services_.job_date,
                                          .options = [this] { return CurrentRunOptions(); }},
                          &window_);
    connect(preview_window_, &PreviewWindow::RunRequested, this, [this](const QString& name) {
      if (!InProgress()) emit RunRequested(ToStdString(name));
    });
  }
  // A run under way refuses the preview as it would refuse a second run: the window says so.
  preview_window_->Preview(job_name);
}

RunOptions WindowRun::CurrentRunOptions() const {
  return RunOptions{.copy_buffer_size = services_.settings.copy_buffer_size(),
                    .animated_icon = services_.settings.animated_icon(),
                    .trash = services_.settings.trash()};
}

RunControl& WindowRun::Control() { return host_->Control(); }

bool WindowRun::InProgress() const { return host_->Control().RunInProgress(); }

void WindowRun::SetEventInterval(std::chrono::milliseconds interval) {
  host_->SetEventInterval(interval);
}

void WindowRun::SetIconAnimationHandler(std::function<void(bool)> handler) {
  host_->SetIconAnimationHandler(std::move(handler));
}

}  // namespace parvolind::ui
