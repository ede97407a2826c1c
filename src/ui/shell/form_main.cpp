#include "ui/shell/form_main.h"

#include "ui/run/gradient_progress_bar.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "store/config_backup.h"
#include "ui/jobs/job_button.h"
#include "ui/jobs/job_info_panel.h"
#include "ui/jobs/job_list_menu.h"
#include "ui/jobs/job_list_view.h"
#include "ui/jobs/job_panels.h"
#include "ui/preview/preview_window.h"
#include "ui/questions/question_windows.h"
#include "ui/run/progress_panel.h"
#include "ui/run/run_attention.h"
#include "ui/run/window_run_host.h"
#include "ui/shell/form_info.h"
#include "ui/shell/main_skin.h"
#include "ui/toolkit/accessible_kind.h"
#include "ui/toolkit/bring_to_front.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"
#include "ui/wizard/job_wizard.h"

namespace parvolind::ui {
namespace {

constexpr int kTimerJobsInterval = 60000;
constexpr int kTimerTimeInterval = 1000;
}  // namespace

TFormMain::TFormMain(MainWindowServices services, QWidget* parent)
    : SkinnedWindow(parent),
      hive_(services.hive),
      fs_(services.fs),
      clock_(services.clock),
      locale_(services.locale),
      settings_(services.settings),
      dialogs_(services.dialogs),
      confirm_(services.confirm),
      recover_(services.recover),
      info_window_(services.info),
      help_path_(std::move(services.help_path)),
      documents_(new DocumentOpener(std::move(services.open_url), *this)),
      locks_(services.locks),
      store_(services.hive, services.clock, services.locale),
      schedule_(services.hive, services.clock),
      clock_line_(services.clock, services.locale),
      tick_(services.hive, services.clock, *this),
      automation_(services.hive, services.clock, *this) {
  // First of all: an interface asked for before the mark would keep the wrong role.
  SetAccessibleKind(this, AccessibleKind::kFrame);
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QStringLiteral("Parvolind"));
  setAccessibleName(QStringLiteral("Parvolind"));
  setFixedSize(598, 414);
  setFont(WindowFont(11));
  setMouseTracking(true);

  button_new_ = new JobButton(JobButton::Glyph::kNew, QStringLiteral("Neu"), this);
  button_new_->move(219, 73);
  button_edit_ = new JobButton(JobButton::Glyph::kEdit, QStringLiteral("Bearbeiten"), this);
  button_edit_->move(282, 73);
  button_delete_ = new JobButton(JobButton::Glyph::kDelete, QStringLiteral("Entfernen"), this);
  button_delete_->move(345, 73);
  button_execute_ = new JobButton(JobButton::Glyph::kRun, QStringLiteral("Durchführen"), this);
  button_execute_->move(500, 73);
  connect(button_new_, &QAbstractButton::clicked, this, &TFormMain::FlatButtonNewClick);
  connect(button_edit_, &QAbstractButton::clicked, this, &TFormMain::FlatButtonEditClick);
  connect(button_delete_, &QAbstractButton::clicked, this, &TFormMain::FlatButtonDeleteClick);
  connect(button_execute_, &QAbstractButton::clicked, this, &TFormMain::FlatButtonExecuteClick);
  for (JobButton* button : {button_new_, button_edit_, button_delete_, button_execute_}) {
    job_hover_.Add(button);
    connect(button, &JobButton::Hovered, this, [this, button] { job_hover_.Light(button); });
  }

  list_ = new JobListView(locale_, this);
  list_->setGeometry(211, 120, 348, 234);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { ListViewJobsDblClick(); });
  connect(list_, &JobListView::DeletePressed, this, &TFormMain::FlatButtonDeleteClick);
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    popup_jobs_->PopupMenuJobsPopup();
    popup_jobs_->popup(list_->viewport()->mapToGlobal(position));
  });

  info_ = new JobInfoPanel(this);
  info_->setGeometry(211, 120, 348, 234);
  info_->hide();

  wizard_ = new JobWizard(store_, schedule_, dialogs_, this);
  wizard_->setGeometry(211, 68, 348, 304);
  wizard_->hide();

  progress_ = new ProgressPanel(this);
  progress_->setGeometry(211, 68, 348, 286);
  progress_->hide();
  connect(progress_, &ProgressPanel::CancelClicked, this,
          &TFormMain::FlatButtonProgressCancelClick);
  run_host_ = std::make_unique<WindowRunHost>(*progress_, *info_, dialogs_);
  log_ = std::make_unique<LogWriter>(
      services.log_path, fs_, *run_host_,
      // Once the end of the session is logged, nothing may follow the shutdown entry.
      [this] { return settings_.logfile() && !exit_.ShutdownLogged(); }, clock_, locale_);
  run_ = std::make_unique<SynchronisationRun>(
      hive_, fs_, *run_host_, run_host_->Control(), *log_, clock_, locale_,
      [this](const std::string& name) { return schedule_.GetJobDate(name); }, services.locks);
  ending_ = std::make_unique<WindowExit>(exit_, dialogs_, confirm_, recover_, run_host_->Control(),
                                         *log_, timer_jobs_, [this] { Minimieren1Click(); });
  panels_ = new JobPanels(store_, schedule_, dialogs_, tick_, *list_, *info_, *wizard_, this);
  for (QWidget* panel : std::initializer_list<QWidget*>{info_, wizard_, progress_}) {
    panel->installEventFilter(this);
  }

  label_time_ = new QLabel(this);
  label_time_->setObjectName(QStringLiteral("LabelTime"));
  SetAccessibleKind(label_time_, AccessibleKind::kTextValue);
  label_time_->setAccessibleName(QStringLiteral("Datum und Uhrzeit"));
  label_time_->setGeometry(210, 354, 349, 18);
  label_time_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label_time_->setFont(WindowFont(11));
  QPalette time_colors = label_time_->palette();
  time_colors.setColor(QPalette::WindowText, palette::kTitleText);
  label_time_->setPalette(time_colors);

  popup_jobs_ = new JobListMenu(automation_, *list_, this);
  connect(popup_jobs_, &JobListMenu::EditRequested, this, &TFormMain::FlatButtonEditClick);
  connect(popup_jobs_, &JobListMenu::DeleteRequested, this, &TFormMain::FlatButtonDeleteClick);
  connect(popup_jobs_, &JobListMenu::RunRequested, this, &TFormMain::FlatButtonExecuteClick);
  connect(popup_jobs_, &JobListMenu::PreviewRequested, this, &TFormMain::Vorschau1Click);
  connect(popup_jobs_, &JobListMenu::InformationRequested, this, &TFormMain::Informationen1Click);
  BuildWindowMenus();
  UpdateCoveredControls();

  timer_jobs_.setInterval(kTimerJobsInterval);
  connect(&timer_jobs_, &QTimer::timeout, this, &TFormMain::TimerJobsTimer);
  timer_time_.setInterval(kTimerTimeInterval);
  connect(&timer_time_, &QTimer::timeout, this, &TFormMain::TimerTimeTimer);
  timer_jobs_.start();
  timer_time_.start();
}

TFormMain::~TFormMain() = default;

bool TFormMain::FormCreate(bool write_start_entry) {
  try {
    run_host_->Control().SetRunInProgress(false);
    TimerTimeTimer();
    GetJobs();
    // The first start (or an empty store) leads straight into the wizard; the
    // timer keeps running then, there being no job to run.
    if (list_->topLevelItemCount() == 0) {
      panels_->ShowWizard(false);
    } else {
      wizard_->hide();
    }
    settings_.Load();
    if (write_start_entry) log_->WriteStartEntry();
    // "Minimiert starten" leaves only the tray icon; without a tray the window starts
    // minimised, so that it can always be brought back.
    if (!settings_.start_minimized()) {
      show();
    } else if (!minimize_to_tray_) {
      showMinimized();
    }
  } catch (const std::exception& error) {
    dialogs_.ShowError(ToQString(error.what()));
    return false;
  }
  return true;
}

void TFormMain::GetJobs() { panels_->GetJobs(); }

// --- commands ------------------------------------------------------------------

void TFormMain::FlatButtonNewClick() { panels_->NewJob(); }

void TFormMain::FlatButtonEditClick() { panels_->EditSelected(); }

void TFormMain::FlatButtonDeleteClick() { panels_->DeleteSelected(); }

void TFormMain::FlatButtonExecuteClick() {
  // A click during a run does nothing: the run lock refuses it anyway, and a second
  // panel must not appear.
  if (RunInProgress()) return;
  tick_.RunNow(list_->SelectedName());
}

void TFormMain::Vorschau1Click() {
  const std::optional<std::string> selected = list_->SelectedName();
  if (!selected || exit_.Ending()) return;
  if (preview_window_ == nullptr) {
    preview_window_ = new PreviewWindow(
        PreviewServices{
            .hive = hive_,
            .fs = fs_,
            .locks = locks_,
            .clock = clock_,
            .locale = locale_,
            .control = run_host_->Control(),
            .job_date = [this](const std::string& name) { return schedule_.GetJobDate(name); },
            .options = [this] { return CurrentRunOptions(); }},
        this);
    connect(preview_window_, &PreviewWindow::RunRequested, this, [this](const QString& name) {
      if (!RunInProgress()) tick_.RunNow(ToStdString(name));
    });
  }
  // A run under way refuses the preview as it would refuse a second run: the window says so.
  preview_window_->Preview(*selected);
  // Ending the program while the preview collected cancelled it, as it would a run.
  if (exit_.EndsAfterRun()) EndProgram();
}

void TFormMain::ListViewJobsDblClick() { panels_->ShowSelectedInfo(); }

void TFormMain::ShowJobInfo(const std::string& job_name) { panels_->ShowJobInfo(job_name); }

void TFormMain::FlatButtonProgressCancelClick() {
  run_host_->Control().SetCancelRequested(true);
  progress_->hide();
}

// --- showing, minimising, ending ---------------------------------------------------

void TFormMain::Minimieren1Click() {
  if (minimize_to_tray_) {
    hide();
  } else {
    showMinimized();
  }
}

void TFormMain::Anzeigen1Click() { BringToFront(*this); }

void TFormMain::closeEvent(QCloseEvent* event) {
  // A close request (Alt+F4, the taskbar) only minimises; the window closes only while
  // the program ends.
  if (exit_.CloseAllowed()) {
    event->accept();
    return;
  }
  event->ignore();
  Minimieren1Click();
}

void TFormMain::changeEvent(QEvent* event) {
  SkinnedWindow::changeEvent(event);
  // A minimise by the window manager or the taskbar goes into the tray as well, taking
  // the taskbar entry with it. Hidden once the state change has been handled.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && minimize_to_tray_) {
    QTimer::singleShot(0, this, [this] {
      if (isMinimized() && minimize_to_tray_ && isVisible()) hide();
    });
  }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
    SessionEnding();
    return true;
  }
  if ((watched == wizard_ || watched == progress_ || watched == info_) &&
      (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    UpdateCoveredControls();
  }
  return SkinnedWindow::eventFilter(watched, event);
}

void TFormMain::UpdateCoveredControls() {
  // What lies under a panel can neither be reached with Tab nor take keys, and
  // assistive tools see it hidden: the wizard and the progress panel cover the job
  // buttons and the list, the information panel the list only.
  const bool buttons_covered = !wizard_->isHidden() || !progress_->isHidden();
  const bool list_covered = buttons_covered || !info_->isHidden();
  const std::array<JobButton*, 4> buttons{button_new_, button_edit_, button_delete_,
                                          button_execute_};
  // The keyboard comes back to where it was when the panel goes again.
  QWidget* focused = focusWidget();
  const bool focused_below =
      focused != nullptr &&
      ((focused == list_ && list_covered) ||
       (buttons_covered && std::find(buttons.begin(), buttons.end(), focused) != buttons.end()));
  if (focused_below) focus_under_panel_ = focused;
  for (JobButton* button : buttons) button->setVisible(!buttons_covered);
  list_->setVisible(!list_covered);
  if (!focus_under_panel_.isNull() && !focused_below && focus_under_panel_->isVisibleTo(this)) {
    focus_under_panel_->setFocus(Qt::OtherFocusReason);
    focus_under_panel_.clear();
  }
}

void TFormMain::Beenden1Click() {
  if (ending_->UserQuits() == ProgramExit::Step::kEndAfterRun) progress_->hide();
}

bool TFormMain::WMQueryEndSession(bool may_ask) {
  return ending_->AnswerSessionEnd(may_ask, false);
}

void TFormMain::SessionEnding() { ending_->AnswerSessionEnd(true, true); }

void TFormMain::EndProgram() { ending_->EndProgram(); }

void TFormMain::FormDestroy() { ending_->WriteStopEntry(); }

// --- context menu ------------------------------------------------------------------

QMenu& TFormMain::PopupMenuJobs() { return *popup_jobs_; }

// --- timers --------------------------------------------------------------------------

void TFormMain::TimerJobsTimer() {
  scheduled_run_ = true;
  tick_.RunDueJobs();
  scheduled_run_ = false;
}

void TFormMain::TimerTimeTimer() { label_time_->setText(ToQString(clock_line_.Text())); }

// --- the run ---------------------------------------------------------------------------

void TFormMain::SetEventInterval(std::chrono::milliseconds interval) {
  run_host_->SetEventInterval(interval);
  tick_event_interval_ = std::min(tick_event_interval_, interval);
}

void TFormMain::SetIconAnimationHandler(std::function<void(bool)> handler) {
  run_host_->SetIconAnimationHandler(std::move(handler));
}

RunOptions TFormMain::CurrentRunOptions() const {
  return RunOptions{.copy_buffer_size = settings_.copy_buffer_size(),
                    .animated_icon = settings_.animated_icon(),
                    .trash = settings_.trash()};
}

void TFormMain::WaitUntil(const std::function<bool()>& done) {
  // Looked at a few times a second, without keeping the processor busy: the wait lasts
  // as long as the user keeps the wizard open.
  QEventLoop loop;
  QTimer poll;
  connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done() || exit_.Ending()) loop.quit();
  });
  poll.start(100);
  if (!done() && !exit_.Ending()) loop.exec();
}

// --- TickHost ----------------------------------------------------------------------------

std::vector<std::string> TFormMain::EntryNames() const { return list_->RowNames(); }

std::optional<std::string> TFormMain::ScheduleText(const std::string& job_name) const {
  return list_->ScheduleText(job_name);
}

void TFormMain::SetScheduleText(const std::string& job_name, const std::string& text) {
  list_->SetScheduleText(job_name, text);
}

void TFormMain::ShowError(const std::string& text) { dialogs_.ShowError(ToQString(text)); }

void TFormMain::ProcessEvents() {
  // Asked for by the tick, once between two entries of the job list.
  const auto now = std::chrono::steady_clock::now();
  if (now - last_tick_events_ < tick_event_interval_) return;
  last_tick_events_ = now;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TFormMain::RunInProgress() const { return run_host_->Control().RunInProgress(); }

void TFormMain::StopTimerJobs() { timer_jobs_.stop(); }

void TFormMain::StartTimerJobs() {
  if (!timer_jobs_.isActive()) timer_jobs_.start();
}

QuestionAnswer TFormMain::AskConfirmation(const std::string& job_name) {
  return confirm_.Ask(job_name);
}

QuestionAnswer TFormMain::AskRecovery(const std::string& job_name) {
  return recover_.Ask(job_name);
}

void TFormMain::ExecuteSynchronisation(const std::string& job_name) {
  if (exit_.Ending()) return;
  exit_.RunStarts();
  run_host_->BeginRun();
  const bool unwatched = scheduled_run_ || !isVisible();
  const RunResult result = run_->ExecuteSynchronisation(job_name, CurrentRunOptions());
  if (result.log_error) emit RunLogNotWritten(ToQString(*result.log_error));
  const std::optional<QString> attention = RunAttentionText(job_name, result);
  if (unwatched && attention && !exit_.Ending()) {
    // Said also with the log off: a run nobody watched must not fail unnoticed.
    if (minimize_to_tray_) {
      emit RunNeedsAttention(*attention);
    } else {
      list_->SelectRow(job_name);
      if (!isVisible() || isMinimized()) showMinimized();
    }
  }
  if (exit_.EndsAfterRun()) EndProgram();
}

// --- the window menus ----------------------------------------------------------------

void TFormMain::BuildWindowMenus() {
  menus_ = new WindowMenus(settings_, dialogs_, *this);
  connect(menus_, &WindowMenus::MinimiseRequested, this, &TFormMain::Minimieren1Click);
  connect(menus_, &WindowMenus::QuitRequested, this, &TFormMain::Beenden1Click);
  connect(menus_, &WindowMenus::ShowLogRequested, this, &TFormMain::Logfileanzeigen1Click);
  connect(menus_, &WindowMenus::BackupRequested, this, &TFormMain::Sicherung1Click);
  connect(menus_, &WindowMenus::HelpRequested, this, &TFormMain::Hilfe1Click);
  connect(menus_, &WindowMenus::InfoRequested, this, &TFormMain::Info1Click);
}

void TFormMain::ImageMenuProgrammMoveClick() { menus_->Open(WindowMenus::Menu::kProgramm); }
void TFormMain::ImageMenuOptionenMoveClick() { menus_->Open(WindowMenus::Menu::kOptionen); }
void TFormMain::ImageMenuHilfeMoveClick() { menus_->Open(WindowMenus::Menu::kHilfe); }

void TFormMain::Logfileanzeigen1Click() {
  // Without a log there is nothing to show, and nothing is said.
  const QString path = ToQString(log_->Path());
  if (QFile::exists(path)) documents_->ShowLog(path);
}

void TFormMain::Hilfe1Click() { documents_->ShowHelp(ToQString(help_path_)); }

void TFormMain::Info1Click() { info_window_.Show(); }

void TFormMain::Sicherung1Click() {
  const BackupResult result = ConfigBackup(hive_).ExportBackup();
  dialogs_.Warn(ToQString(result.message));
}

// --- looks ----------------------------------------------------------------------------------

QPainterPath TFormMain::Outline() const { return MainWindowOutline(); }

void TFormMain::PaintSkin(QPainter& painter) { PaintMainSkin(painter, Outline()); }

void TFormMain::mouseMoveEvent(QMouseEvent* event) {
  if (childAt(event->position().toPoint()) == nullptr) CoolFormMainMouseMove();
  SkinnedWindow::mouseMoveEvent(event);
}

void TFormMain::CoolFormMainMouseMove() {
  menus_->DarkenTitles();
  job_hover_.Darken();
}

}  // namespace parvolind::ui
