#pragma once

#include <QWidget>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/preview_summary.h"
#include "engine/progress_sink.h"
#include "engine/run_action.h"
#include "engine/run_control.h"
#include "engine/run_options.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/job_store.h"

class QComboBox;
class QLabel;
class QTreeView;

namespace parvolind::ui {

class FlatButton;
class GradientProgressBar;
class PreviewFilter;
class PreviewModel;

/// What the preview window works with: the same store, files, locks and run control as the
/// window's runs, so that a preview and a run of the same job never overlap.
struct PreviewServices {
  RegistryHive& hive;
  FileSystem& fs;
  RunLocks& locks;
  const Clock& clock;
  const Locale& locale;
  RunControl& control;
  JobDateFunction job_date;
  /// The options a run started now would work with.
  std::function<RunOptions()> options;
};

/// "Vorschau": what a run of one job started now would do, listed without doing it. While the
/// run's decisions are collected it shows their progress and can be cancelled; then the
/// summary, a sortable list (Aktion, Datei, Größe) that can be narrowed to one action, and
/// "Durchführen" (the job is run, the window closes) and "Schließen".
class PreviewWindow : public QWidget, public ProgressSink, public ActionSink {
  Q_OBJECT

 public:
  explicit PreviewWindow(PreviewServices services, QWidget* parent = nullptr);

  /// Shows the window and collects the preview of `job_name`; returns when it is complete,
  /// cancelled or refused. While one is being collected, only brings the window to the front.
  void Preview(const std::string& job_name);

  /// Whether a preview is being collected now.
  bool Collecting() const { return collecting_; }
  /// The job of the preview shown.
  const std::string& JobName() const { return job_name_; }
  /// The summary line.
  QString SummaryText() const;
  PreviewModel& Model() { return *model_; }
  QTreeView& List() { return *list_; }
  FlatButton& ButtonRun() { return *button_run_; }
  FlatButton& ButtonClose() { return *button_close_; }
  FlatButton& ButtonCancel() { return *button_cancel_; }
  QComboBox& ActionFilter() { return *filter_; }

  /// How often collecting hands control to the event loop at most (tests make every call
  /// count with 0).
  void SetEventInterval(std::chrono::milliseconds interval) { event_interval_ = interval; }

  // ProgressSink
  void SetLabel(ProgressLabel label, std::string_view text) override;
  int LabelWidth(ProgressLabel label) const override;
  int TextWidth(ProgressLabel label, std::string_view text) const override;
  void SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) override;
  void SetBarValue(ProgressBar bar, int64_t value) override;
  void ShowProgressPanel(bool) override {}
  void ProcessEvents() override;
  void ShowFailureMessage(std::string_view) override {}
  void SetIconAnimation(bool) override {}

  // ActionSink
  void Report(const RunAction& action) override;

 signals:
  /// "Durchführen": the user wants the job run now, as the job list's "&Durchführen" does.
  void RunRequested(const QString& job_name);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void ShowCollecting(bool collecting);
  void ShowCollected();
  void CancelClicked();
  void RunClicked();
  void FilterChanged(int index);

  PreviewServices services_;
  std::string job_name_;
  bool collecting_ = false;
  bool close_when_done_ = false;
  PreviewSummary summary_;
  // The actions collected; the list takes them once the preview has ended.
  std::vector<RunAction> pending_;
  std::string pending_action_;
  std::chrono::steady_clock::time_point last_events_{};
  std::chrono::milliseconds event_interval_{40};

  QLabel* title_;
  QLabel* summary_label_;
  QWidget* progress_row_;
  QLabel* action_label_;
  GradientProgressBar* bar_;
  FlatButton* button_cancel_;
  QComboBox* filter_;
  PreviewModel* model_;
  PreviewFilter* proxy_;
  QTreeView* list_;
  FlatButton* button_run_;
  FlatButton* button_close_;
};

}  // namespace parvolind::ui
