#pragma once

#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "schedule/automation_menu.h"
#include "schedule/clock_line.h"
#include "schedule/job_tick.h"
#include "schedule/schedule_computation.h"
#include "schedule/tick_host.h"
#include "store/job_store.h"
#include "store/settings.h"
#include "ui/ending/program_exit.h"
#include "ui/ending/window_exit.h"
#include "ui/jobs/job_buttons.h"
#include "ui/shell/main_window_services.h"
#include "ui/shell/window_menus.h"
#include "ui/skin/skinned_window.h"
#include "ui/toolkit/dialogs.h"
#include "ui/viewers/document_opener.h"

class QLabel;

namespace parvolind::ui {

class CoveredControls;
class JobInfoPanel;
class JobListMenu;
class JobListView;
class JobPanels;
class JobWizard;
class ProgressPanel;
class TFormConfirm;
class TFormInfo;
class TFormRecover;
class WindowRun;

/// `TFormMain`: the job list with its information panel, the job wizard, the progress
/// panel, the four job buttons, the clock line and the two timers. It shows and
/// forwards: the run, the scheduler, the automation commands and the store decide.
/// It is the scheduler's host and the job list the automation commands work on; runs and
/// previews go through its WindowRun.
class TFormMain : public SkinnedWindow, public TickHost {
  Q_OBJECT

 public:
  explicit TFormMain(MainWindowServices services, QWidget* parent = nullptr);
  ~TFormMain() override;

  /// The start-up steps of the window: clock line, `GetJobs`, the wizard when there
  /// is no job, the settings, the log's start entry, then the window shown (or only
  /// the tray icon with "Minimiert starten"). Returns false when a step failed (its
  /// error was shown and the remaining steps were skipped).
  bool FormCreate(bool write_start_entry);

  /// `GetJobs`: fills the list from the store, each row with its schedule text. An
  /// error ends the filling with an error box; the rows added so far stay.
  void GetJobs();

  // Commands of the job buttons, the list and its context menu; the job commands forward to
  // JobPanels.
  void FlatButtonNewClick();
  void FlatButtonEditClick();
  void FlatButtonDeleteClick();
  /// Forwarder: "Durchführen" runs the selected job through JobTick::RunNow().
  void FlatButtonExecuteClick();
  /// Forwarder: "&Vorschau" opens the preview of the selected job (WindowRun::Preview()).
  void Vorschau1Click();
  void ListViewJobsDblClick();
  void Informationen1Click() { ListViewJobsDblClick(); }
  void ShowJobInfo(const std::string& job_name);
  void FlatButtonProgressCancelClick();

  /// Forwarder: the job tick, JobTick::RunDueJobs().
  void TimerJobsTimer();
  /// The clock line.
  void TimerTimeTimer();

  // Minimising, showing and ending.
  /// Minimise (`Minimieren1Click`, `Minimieren2Click`, the skin's close button and every
  /// close request): into the tray where there is one, else an ordinary minimise.
  void Minimieren1Click();
  /// Shows the window and brings it to the front (tray click, "&Anzeigen", a second
  /// start of the program).
  void Anzeigen1Click();
  /// "B&eenden": ends the program with the user's stop entry. During a run the run is
  /// cancelled first and reaches its cancelled end, then the program ends.
  void Beenden1Click();
  /// The session manager asks whether the session may end (it may still call the logout
  /// off): minimises the window and, during a run, asks the user (unless `may_ask` is
  /// false). Agreeing writes the shutdown stop entry; the program keeps working until the
  /// session really ends. Returns whether the session may end.
  bool WMQueryEndSession(bool may_ask = true);
  /// The session ends now (SIGTERM, the session manager's last word): answers the query
  /// first where that has not been done, then ends the program, a run in progress being
  /// cancelled quietly. A No to the question during a run keeps the program running.
  void SessionEnding();
  /// The window's last words when the program ends: the user's stop entry, unless the
  /// session's end was logged already.
  void FormDestroy();
  /// Whether minimising hides the window into the tray (a tray exists).
  void SetMinimizeToTray(bool to_tray) { minimize_to_tray_ = to_tray; }

  // The skin's hover areas and the window menus.
  void CoolFormMainMouseMove();
  void ImageMenuProgrammMoveClick();
  void ImageMenuOptionenMoveClick();
  void ImageMenuHilfeMoveClick();
  /// "Logfile &anzeigen": the log in the user's editor, or in a viewer of the program's
  /// own where the desktop has none for it. Nothing without a log.
  void Logfileanzeigen1Click();
  /// "&Hilfe": the help in the user's browser, or in a window of the program's own.
  void Hilfe1Click();
  void Info1Click();
  /// Forwarder: "&Sicherung erstellen", ConfigBackup::ExportBackup(), and its message.
  void Sicherung1Click();

  /// How often a run hands control to the event loop at most (tests make every call
  /// count). The job tick's walk never waits longer than its own shorter interval.
  void SetEventInterval(std::chrono::milliseconds interval);

  // The parts, for the shell and the tests.
  JobListView& ListViewJobs() { return *list_; }
  JobInfoPanel& SimplePanelJobInfo() { return *info_; }
  JobWizard& SimplePanelWizard() { return *wizard_; }
  ProgressPanel& SimplePanelProgress() { return *progress_; }
  QMenu& PopupMenuJobs();
  QMenu& PopupMenuProgramm() { return menus_->Of(WindowMenus::Menu::kProgramm); }
  QMenu& PopupMenuOptionen() { return menus_->Of(WindowMenus::Menu::kOptionen); }
  QMenu& PopupMenuHilfe() { return menus_->Of(WindowMenus::Menu::kHilfe); }
  QTimer& TimerJobs() { return timer_jobs_; }
  QLabel& LabelTime() { return *label_time_; }
  JobButtons& Buttons() { return *buttons_; }
  WindowMenus& Menus() { return *menus_; }
  DocumentOpener& Documents() { return *documents_; }
  WindowRun& Run() { return *run_; }
  const ProgramExit& Exit() const { return exit_; }

  // TickHost
  std::vector<std::string> EntryNames() const override;
  std::optional<std::string> ScheduleText(const std::string& job_name) const override;
  void SetScheduleText(const std::string& job_name, const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ProcessEvents() override;
  void WaitUntil(const std::function<bool()>& done) override;
  bool RunInProgress() const override;
  void StopTimerJobs() override;
  void StartTimerJobs() override;
  QuestionAnswer AskConfirmation(const std::string& job_name) override;
  QuestionAnswer AskRecovery(const std::string& job_name) override;
  bool ProgramEnding() const override { return exit_.Ending(); }
  /// Forwarder to WindowRun::Execute() (and so SynchronisationRun::ExecuteSynchronisation());
  /// a run that is to end the program ends it when it returns.
  void ExecuteSynchronisation(const std::string& job_name) override;

 signals:
  /// A run could not write (all of) its log lines: once per run, with the first error's text,
  /// so that the user hears of it (the CLI says so and exits with 4).
  void RunLogNotWritten(const QString& error);
  /// A run nobody watched (started by the scheduler, or while the window was hidden) failed or
  /// left files unsynchronised, and there is a tray to say so: `text` names the job and the
  /// number of files. Without a tray the window comes back minimised with the job's row marked.
  void RunNeedsAttention(const QString& text);

 protected:
  QPainterPath Outline() const override;
  void PaintSkin(QPainter& painter) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  /// Watches the application for the platform's request to quit (installed by main()):
  /// it is the end of the session.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindowMenus();
  void ShowRunAttention(const std::string& job_name, const QString& text);
  void EndProgram();

  RegistryHive& hive_;
  Settings& settings_;
  Dialogs& dialogs_;
  TFormConfirm& confirm_;
  TFormRecover& recover_;
  TFormInfo& info_window_;
  std::string help_path_;
  DocumentOpener* documents_;

  JobStore store_;
  ScheduleComputation schedule_;
  ClockLine clock_line_;
  JobTick tick_;
  AutomationMenu automation_;

  JobListView* list_;
  JobInfoPanel* info_;
  JobWizard* wizard_;
  ProgressPanel* progress_;
  QLabel* label_time_;
  JobButtons* buttons_;
  JobListMenu* popup_jobs_;
  JobPanels* panels_;
  WindowMenus* menus_;
  WindowRun* run_;  ///< shows the runs on the panels, so made once they exist
  std::unique_ptr<CoveredControls> covered_;

  QTimer timer_jobs_;
  QTimer timer_time_;
  ProgramExit exit_;
  std::unique_ptr<WindowExit> ending_;  ///< made once the log exists
  bool minimize_to_tray_ = false;
  // The scheduler's tick is running the jobs due.
  bool scheduled_run_ = false;
  // How often the tick's walk over the job list hands control to the event loop at most:
  // about once a frame, so that the window stays smooth however long the list.
  std::chrono::milliseconds tick_event_interval_{10};
  std::chrono::steady_clock::time_point last_tick_events_{};
};

}  // namespace parvolind::ui
