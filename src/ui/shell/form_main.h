#pragma once

#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/log_writer.h"
#include "engine/run_options.h"
#include "engine/synchronisation_run.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "schedule/automation_menu.h"
#include "schedule/clock_line.h"
#include "schedule/job_tick.h"
#include "schedule/schedule_computation.h"
#include "schedule/tick_host.h"
#include "store/job_store.h"
#include "store/settings.h"
#include "ui/shell/document_opener.h"
#include "ui/shell/program_exit.h"
#include "ui/shell/window_exit.h"
#include "ui/shell/window_menus.h"
#include "ui/toolkit/dialogs.h"
#include "ui/toolkit/hover_group.h"
#include "ui/toolkit/skinned_window.h"

class QLabel;

namespace parvolind::ui {

class HelpWindow;
class JobButton;
class JobInfoPanel;
class JobListMenu;
class JobListView;
class JobPanels;
class JobWizard;
class LogWindow;
class PreviewWindow;
class ProgressPanel;
class SkinArea;
class TFormConfirm;
class TFormInfo;
class TFormRecover;
class WindowRunHost;

/// What the main window is handed by main(): the platform objects, the settings, the
/// dialogs seam and the two question windows.
struct MainWindowServices {
  RegistryHive& hive;
  FileSystem& fs;
  RunLocks& locks;
  const Clock& clock;
  const Locale& locale;
  Settings& settings;
  Dialogs& dialogs;
  TFormConfirm& confirm;
  TFormRecover& recover;
  TFormInfo& info;
  std::string log_path;   ///< the log file (beside the executable, or the state folder)
  std::string help_path;  ///< the help's start page
  /// Opens a file (the log, the help) in the user's editor or browser, the way the
  /// desktop does, and calls the callback with false when the desktop could not, so
  /// that the window shows the file itself.
  OpenUrlFunction open_url;
};

/// `TFormMain`: the job list with its information panel, the job wizard, the progress
/// panel, the four job buttons, the clock line and the two timers. It shows and
/// forwards: the run, the scheduler, the automation commands and the store decide.
/// It is the scheduler's host and the job list the automation commands work on; the
/// run's host is a WindowRunHost of its own.
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
  /// "&Vorschau": opens the preview window on the selected job and collects what a run would
  /// do (PreviewWindow::Preview()). A run in progress refuses it as it would a second run.
  void Vorschau1Click();
  /// The preview window, once it has been needed (else null).
  PreviewWindow* OwnPreviewWindow() const { return preview_window_; }
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
  bool CloseAllowed() const { return exit_.CloseAllowed(); }
  bool ShutdownLogged() const { return exit_.ShutdownLogged(); }

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
  /// The program's own help and log windows, once they have been needed (else null).
  HelpWindow* OwnHelpWindow() const { return documents_->OwnHelpWindow(); }
  LogWindow* OwnLogWindow() const { return documents_->OwnLogWindow(); }
  void Info1Click();
  /// Forwarder: "&Sicherung erstellen", ConfigBackup::ExportBackup(), and its message.
  void Sicherung1Click();

  /// How often a run hands control to the event loop at most (tests make every call
  /// count). The job tick's walk never waits longer than its own shorter interval.
  void SetEventInterval(std::chrono::milliseconds interval);

  /// Switches the tray animation; the application shell sets it.
  void SetIconAnimationHandler(std::function<void(bool)> handler);

  /// The options a run started now works with, from the settings.
  RunOptions CurrentRunOptions() const;

  // The parts, for the shell and the tests.
  JobListView& ListViewJobs() { return *list_; }
  JobInfoPanel& SimplePanelJobInfo() { return *info_; }
  JobWizard& SimplePanelWizard() { return *wizard_; }
  ProgressPanel& SimplePanelProgress() { return *progress_; }
  QMenu& PopupMenuJobs();
  QMenu& PopupMenuProgramm() { return menus_->Of(WindowMenus::Menu::kProgramm); }
  QMenu& PopupMenuOptionen() { return menus_->Of(WindowMenus::Menu::kOptionen); }
  QMenu& PopupMenuHilfe() { return menus_->Of(WindowMenus::Menu::kHilfe); }
  /// A named item of the three window menus ("Minimiertstarten1", "N64KB1", ...).
  QAction* MenuItem(const QString& name) const { return menus_->Item(name); }
  SkinArea& MenuArea(int index) { return menus_->Title(static_cast<WindowMenus::Menu>(index)); }
  SkinArea& CloseArea() { return menus_->CloseButton(); }
  QTimer& TimerJobs() { return timer_jobs_; }
  QLabel& LabelTime() { return *label_time_; }
  JobButton& ButtonNew() { return *button_new_; }
  JobButton& ButtonEdit() { return *button_edit_; }
  JobButton& ButtonDelete() { return *button_delete_; }
  JobButton& ButtonExecute() { return *button_execute_; }
  Settings& ProgramSettings() { return settings_; }
  LogWriter& Log() { return *log_; }
  WindowRunHost& RunHost() { return *run_host_; }
  JobTick& Scheduler() { return tick_; }

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
  /// Forwarder to SynchronisationRun::ExecuteSynchronisation() with the current run
  /// options; a run that is to end the program ends it when it returns.
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
  void UpdateCoveredControls();
  void EndProgram();

  RegistryHive& hive_;
  FileSystem& fs_;
  const Clock& clock_;
  const Locale& locale_;
  Settings& settings_;
  Dialogs& dialogs_;
  TFormConfirm& confirm_;
  TFormRecover& recover_;
  TFormInfo& info_window_;
  std::string help_path_;
  DocumentOpener* documents_;
  QPointer<QWidget> focus_under_panel_;      ///< had the focus when a panel covered it
  PreviewWindow* preview_window_ = nullptr;  ///< made when first needed
  RunLocks& locks_;

  JobStore store_;
  ScheduleComputation schedule_;
  ClockLine clock_line_;
  // The run's host shows the run on the panels, so it, the log and the run are made
  // once the panels exist.
  std::unique_ptr<WindowRunHost> run_host_;
  std::unique_ptr<LogWriter> log_;
  std::unique_ptr<SynchronisationRun> run_;
  JobTick tick_;
  AutomationMenu automation_;

  JobListView* list_;
  JobInfoPanel* info_;
  JobWizard* wizard_;
  ProgressPanel* progress_;
  QLabel* label_time_;
  JobButton* button_new_;
  JobButton* button_edit_;
  JobButton* button_delete_;
  JobButton* button_execute_;
  JobListMenu* popup_jobs_;
  JobPanels* panels_;
  WindowMenus* menus_;
  // The job buttons: at most one lit.
  HoverGroup job_hover_;

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
