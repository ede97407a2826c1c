#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "engine/log_writer.h"
#include "engine/run_control.h"
#include "engine/run_options.h"
#include "engine/synchronisation_run.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/settings.h"

class QWidget;

namespace parvolind::ui {

class Dialogs;
class PreviewWindow;
class ProgramExit;
class ProgressPanel;
class WindowRunHost;

/// What the window's runs work with.
struct WindowRunServices {
  RegistryHive& hive;
  FileSystem& fs;
  RunLocks& locks;
  const Clock& clock;
  const Locale& locale;
  Settings& settings;
  Dialogs& dialogs;
  std::string log_path;
  /// The next moment a run writes for its job.
  JobDateFunction job_date;
};

/// The window's runs and previews: owns the run's host on the progress panel, the log and the
/// run, and the preview window once it is needed. Runs and previews share one run control, so
/// that they never overlap. The log is silent once the end of the session has been logged.
class WindowRun : public QObject {
  Q_OBJECT

 public:
  /// `panel` shows the runs over `covered`; `window` is the preview window's parent.
  WindowRun(WindowRunServices services, ProgressPanel& panel, QWidget& covered,
            const ProgramExit& exit, QWidget& window);
  ~WindowRun() override;

  /// Runs `job_name` with the options of the settings. `unwatched`: nobody watches the window
  /// (the scheduler started the run, or the window is hidden), so a run that failed or left
  /// files unsynchronised signals AttentionNeeded.
  void Execute(const std::string& job_name, bool unwatched);
  /// Opens the preview window on `job_name` and collects what a run would do; returns when it
  /// is complete, cancelled or refused (a run in progress refuses it as a second run).
  void Preview(const std::string& job_name);

  /// The options a run started now works with, from the settings.
  RunOptions CurrentRunOptions() const;
  /// The cancel request and the flag that a run (or a preview) is under way.
  RunControl& Control();
  bool InProgress() const;
  /// How often a run hands control to the event loop at most.
  void SetEventInterval(std::chrono::milliseconds interval);
  /// Switches the tray animation; the application shell sets it.
  void SetIconAnimationHandler(std::function<void(bool)> handler);

  WindowRunHost& Host() { return *host_; }
  LogWriter& Log() { return *log_; }
  /// The preview window, once it has been needed (else null).
  PreviewWindow* OwnPreviewWindow() const { return preview_window_; }

 signals:
  /// A run could not write (all of) its log lines: once per run, with the first error's text.
  void LogNotWritten(const QString& error);
  /// A run nobody watched failed or left files unsynchronised: `text` says so.
  void AttentionNeeded(const std::string& job_name, const QString& text);
  /// "Durchführen" in the preview window, while no run is under way.
  void RunRequested(const std::string& job_name);

 private:
  WindowRunServices services_;
  QWidget& window_;
  std::unique_ptr<WindowRunHost> host_;
  std::unique_ptr<LogWriter> log_;
  std::unique_ptr<SynchronisationRun> run_;
  PreviewWindow* preview_window_ = nullptr;  ///< made when first needed
};

}  // namespace parvolind::ui
