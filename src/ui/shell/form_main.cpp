#include "ui/shell/form_main.h"

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
#include <vector>

#include "store/config_backup.h"
#include "ui/desktop/bring_to_front.h"
#include "ui/jobs/job_buttons.h"
#include "ui/jobs/job_info_panel.h"
#include "ui/jobs/job_list_menu.h"
#include "ui/jobs/job_list_view.h"
#include "ui/jobs/job_panels.h"
#include "ui/questions/form_confirm.h"
#include "ui/questions/form_recover.h"
#include "ui/run/progress_panel.h"
#include "ui/run/window_run.h"
#include "ui/shell/covered_controls.h"
#include "ui/shell/form_info.h"
#include "ui/skin/main_skin.h"
#include "ui/toolkit/accessible_kind.h"
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
      settings_(services.settings),
      dialogs_(services.dialogs),
      confirm_(services.confirm),
      recover_(services.recover),
      info_window_(services.info),
      help_path_(std::move(services.help_path)),
      documents_(new DocumentOpener(std::move(services.open_url), *this)),
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

  buttons_ = new JobButtons(*this);
  connect(&buttons_->New(), &QAbstractButton::clicked, this, &TFormMain::FlatButtonNewClick);
  connect(&buttons_->Edit(), &QAbstractButton::clicked, this, &TFormMain::FlatButtonEditClick);
  connect(&buttons_->Delete(), &QAbstractButton::clicked, this, &TFormMain::FlatButtonDeleteClick);
  connect(&buttons_->Execute(), &QAbstractButton::clicked, this,
          &TFormMain::FlatButtonExecuteClick);

  list_ = new JobListView(services.locale, this);
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
  run_ = new WindowRun(
      WindowRunServices{
          .hive = hive_,
          .fs = services.fs,
          .locks = services.locks,
          .clock = services.clock,
          .locale = services.locale,
          .settings = settings_,
          .dialogs = dialogs_,
          .log_path = std::move(services.log_path),
          .job_date = [this](const std::string& name) { return schedule_.GetJobDate(name); }},
      *progress_, *info_, exit_, *this);
  connect(run_, &WindowRun::LogNotWritten, this, &TFormMain::RunLogNotWritten);
  connect(run_, &WindowRun::AttentionNeeded, this, &TFormMain::ShowRunAttention);
  connect(run_, &WindowRun::RunRequested, this,
          [this](const std::string& name) { tick_.RunNow(name); });
  ending_ = std::make_unique<WindowExit>(exit_, dialogs_, confirm_, recover_, run_->Control(),
                                         run_->Log(), timer_jobs_, [this] { Minimieren1Click(); });
  panels_ = new JobPanels(store_, schedule_, dialogs_, tick_, *list_, *info_, *wizard_, this);

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
  covered_ = std::make_unique<CoveredControls>(*this, *list_, buttons_->All(),
                                               std::vector<QWidget*>{wizard_, progress_}, *info_);
  covered_->Update();

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
    run_->Control().SetRunInProgress(false);
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
    if (write_start_entry) run_->Log().WriteStartEntry();
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
  run_->Preview(*selected);
  // Ending the program while the preview collected cancelled it, as it would a run.
  if (exit_.EndsAfterRun()) EndProgram();
}

void TFormMain::ListViewJobsDblClick() { panels_->ShowSelectedInfo(); }

void TFormMain::ShowJobInfo(const std::string& job_name) { panels_->ShowJobInfo(job_name); }

void TFormMain::FlatButtonProgressCancelClick() {
  run_->Control().SetCancelRequested(true);
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
  return SkinnedWindow::eventFilter(watched, event);
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
  run_->SetEventInterval(interval);
  tick_event_interval_ = std::min(tick_event_interval_, interval);
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

bool TFormMain::RunInProgress() const { return run_->InProgress(); }

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
  run_->Execute(job_name, scheduled_run_ || !isVisible());
  if (exit_.EndsAfterRun()) EndProgram();
}

void TFormMain::ShowRunAttention(const std::string& job_name, const QString& text) {
  if (exit_.Ending()) return;
  // Said also with the log off: a run nobody watched must not fail unnoticed.
  if (minimize_to_tray_) {
    emit RunNeedsAttention(text);
  } else {
    list_->SelectRow(job_name);
    if (!isVisible() || isMinimized()) showMinimized();
  }
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
  const QString path = ToQString(run_->Log().Path());
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
  buttons_->Darken();
}

}  // namespace parvolind::ui
