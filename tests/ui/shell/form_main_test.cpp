#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/run_lock.h"
#include "store/job_store.h"
#include "store/registry_key.h"
#include "store/settings.h"
#include "support/test_environment.h"
#include "ui/controls/flat_button.h"
#include "ui/controls/link_button.h"
#include "ui/jobs/job_button.h"
#include "ui/jobs/job_info_panel.h"
#include "ui/jobs/job_list_menu.h"
#include "ui/jobs/job_list_view.h"
#include "ui/preview/preview_model.h"
#include "ui/preview/preview_window.h"
#include "ui/questions/form_confirm.h"
#include "ui/questions/form_recover.h"
#include "ui/questions/question_button.h"
#include "ui/run/gradient_progress_bar.h"
#include "ui/run/progress_panel.h"
#include "ui/run/window_run.h"
#include "ui/run/window_run_host.h"
#include "ui/shell/form_info.h"
#include "ui/shell/form_main.h"
#include "ui/skin/skin_area.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"
#include "ui/ui_test_support.h"
#include "ui/viewers/help_window.h"
#include "ui/viewers/log_window.h"
#include "ui/wizard/job_wizard.h"

namespace parvolind {
namespace {

using ui::TFormMain;

// The main window on a store of the test's own, with scripted dialogs and a clock
// standing at Tuesday, 8 December 2026, 14:05.
class FormMainTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    testing::EnsureApplication();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    fs_ = CreateFileSystem();
    locks_ = CreateRunLocks(PathOf("locks"));
    settings_ = std::make_unique<Settings>(*hive_);
    store_ = std::make_unique<JobStore>(*hive_, clock_, *locale_);
    confirm_ = std::make_unique<ui::TFormConfirm>();
    recover_ = std::make_unique<ui::TFormRecover>();
    info_ = std::make_unique<ui::TFormInfo>(QStringLiteral("v0.1.0.0"));
  }

  void TearDown() override {
    form_.reset();
    TempDirTest::TearDown();
  }

  // The window's services on the test's own parts; `open_url` stands for the desktop.
  ui::MainWindowServices Services(ui::OpenUrlFunction open_url) {
    return ui::MainWindowServices{.hive = *hive_,
                                  .fs = *fs_,
                                  .locks = *locks_,
                                  .clock = clock_,
                                  .locale = *locale_,
                                  .settings = *settings_,
                                  .dialogs = dialogs_,
                                  .confirm = *confirm_,
                                  .recover = *recover_,
                                  .info = *info_,
                                  .log_path = PathOf("parvolind.log"),
                                  .help_path = PathOf("help/index.html"),
                                  .open_url = std::move(open_url)};
  }

  void CreateForm() {
    form_ = std::make_unique<TFormMain>(
        Services([this](const QUrl& url, const std::function<void(bool)>& done) {
          opened_.push_back(url);
          if (done) done(desktop_opens_);
        }));
    // Every chance a run gives to process events is taken, so the tests' timers
    // step in at the same points on any machine.
    form_->SetEventInterval(std::chrono::milliseconds(0));
    ASSERT_TRUE(form_->FormCreate(true));
  }

  // Saves a one-way job from `from` to `to` (folders of the test).
  void SaveJob(const std::string& name, const std::string& from, const std::string& to,
               const std::function<void(JobDefinition&)>& adjust = {}) {
    JobDefinition job;
    job.Name = name;
    job.Dir1 = PathOf(from);
    job.Dir2 = PathOf(to);
    job.DirDown = true;
    job.CritAll = false;
    job.CritNew = true;
    job.CRC32 = false;
    if (adjust) adjust(job);
    store_->SaveJob(job, "", [](const std::string&) { return 0.0; });
  }

  template <typename T>
  T* Child(const char* name) const {
    T* child = form_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  std::string Log() const { return ReadFile(PathOf("parvolind.log")); }

  testing::FakeClock clock_{{2026, 12, 8, 14, 5, 0, 0}};
  std::unique_ptr<Locale> locale_ = CreateLocale("de_DE");
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<RunLocks> locks_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<JobStore> store_;
  testing::ScriptedDialogs dialogs_;
  // Widgets come after the application, which SetUp() makes sure of.
  std::unique_ptr<ui::TFormConfirm> confirm_;
  std::unique_ptr<ui::TFormRecover> recover_;
  std::unique_ptr<ui::TFormInfo> info_;
  std::vector<QUrl> opened_;
  bool desktop_opens_ = true;  ///< whether the desktop has a program for what is opened
  std::unique_ptr<TFormMain> form_;
};

TEST_F(FormMainTest, JobsAreCreatedEditedInspectedAndDeletedThroughTheWindow) {
  SaveJob("beta", "b1", "b2");
  CreateForm();
  ui::JobListView& list = form_->ListViewJobs();
  ui::JobWizard& wizard = form_->SimplePanelWizard();
  EXPECT_EQ(list.RowNames(), std::vector<std::string>{"beta"});
  EXPECT_FALSE(wizard.isVisibleTo(form_.get()));
  EXPECT_TRUE(form_->TimerJobs().isActive());

  // A new job through the wizard; the timer rests while it is open.
  form_->Buttons().New().click();
  EXPECT_TRUE(wizard.isVisibleTo(form_.get()));
  EXPECT_FALSE(form_->TimerJobs().isActive());
  Child<QLineEdit>("FlatEditDir1")->setText(ui::ToQString(PathOf("a1")));
  Child<QLineEdit>("FlatEditDir2")->setText(ui::ToQString(PathOf("a2")));
  for (int page = 0; page < 5; ++page) wizard.FlatButtonNextClick();
  Child<QLineEdit>("FlatEditFinalName")->setText(QStringLiteral("alpha"));
  wizard.FlatButtonNextClick();
  EXPECT_TRUE(dialogs_.warnings.empty());
  EXPECT_TRUE(store_->JobExists("alpha"));
  EXPECT_EQ(list.RowNames(), (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(list.SelectedName(), "alpha");
  EXPECT_EQ(list.ScheduleText("alpha"), "manuell");
  EXPECT_FALSE(wizard.isVisibleTo(form_.get()));
  EXPECT_TRUE(form_->TimerJobs().isActive());

  // Renaming it through Edit replaces its own row, also when the selection in the
  // covered list has moved on meanwhile.
  form_->Buttons().Edit().click();
  EXPECT_FALSE(list.isVisibleTo(form_.get()));
  list.SelectRow("beta");
  EXPECT_EQ(Child<QLineEdit>("FlatEditFinalName")->text(), QStringLiteral("alpha"));
  for (int page = 0; page < 5; ++page) wizard.FlatButtonNextClick();
  Child<QLineEdit>("FlatEditFinalName")->setText(QStringLiteral("gamma"));
  wizard.FlatButtonNextClick();
  EXPECT_EQ(list.RowNames(), (std::vector<std::string>{"beta", "gamma"}));
  EXPECT_FALSE(store_->JobExists("alpha"));

  // The information panel shows the stored values; a delete answered No keeps the
  // job but hides the panel, Yes removes job and row.
  list.SelectRow("gamma");
  form_->ListViewJobsDblClick();
  EXPECT_TRUE(form_->SimplePanelJobInfo().isVisibleTo(form_.get()));
  EXPECT_EQ(form_->SimplePanelJobInfo().NameText(), QStringLiteral("gamma"));
  dialogs_.answers = {false};
  form_->Buttons().Delete().click();
  EXPECT_FALSE(form_->SimplePanelJobInfo().isVisibleTo(form_.get()));
  EXPECT_TRUE(store_->JobExists("gamma"));
  dialogs_.answers = {true};
  form_->Buttons().Delete().click();
  EXPECT_FALSE(store_->JobExists("gamma"));
  EXPECT_EQ(list.RowNames(), std::vector<std::string>{"beta"});
  ASSERT_EQ(dialogs_.questions.size(), 2u);
  EXPECT_EQ(dialogs_.questions[0],
            QStringLiteral("Soll der ausgewählte Auftrag wirklich gelöscht werden?"));

  // Without a selection nothing asks.
  list.clearSelection();
  form_->Buttons().Delete().click();
  EXPECT_EQ(dialogs_.questions.size(), 2u);
}

TEST_F(FormMainTest, RunsShowTheProgressPanelAndCanBeCancelledFromIt) {
  WriteFile("src/a.txt", "a");
  WriteFile("src/b.txt", "b");
  SaveJob("Fotos", "src", "dst");
  WriteFile("big/large.bin", std::string(64 << 20, 'x'));
  SaveJob("Groß", "big", "bigcopy");
  CreateForm();
  ui::ProgressPanel& panel = form_->SimplePanelProgress();

  // By keyboard: Tab from "Durchführen" into the list selects its first row, Shift+Tab
  // and Space run it, and the keyboard is back on the button afterwards.
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  form_->Buttons().Execute().setFocus();
  QTest::keyClick(&form_->Buttons().Execute(), Qt::Key_Tab);
  EXPECT_EQ(form_->focusWidget(), &form_->ListViewJobs());
  EXPECT_EQ(form_->ListViewJobs().SelectedName(), "Fotos");
  QTest::keyClick(&form_->ListViewJobs(), Qt::Key_Tab, Qt::ShiftModifier);
  QTest::keyClick(&form_->Buttons().Execute(), Qt::Key_Space);
  EXPECT_FALSE(panel.isVisibleTo(form_.get()));
  EXPECT_EQ(form_->focusWidget(), &form_->Buttons().Execute()) << "the keyboard is back";
  EXPECT_EQ(ReadFile(PathOf("dst/a.txt")), "a");
  EXPECT_FALSE(form_->RunInProgress());
  EXPECT_NE(Log().find("Ende der Durchführung"), std::string::npos);

  // The panel shows during a run, and its cancel button stops the run while the large
  // file is copied in small blocks.
  settings_->ChooseBufferSize(32);
  QTimer canceller;
  QObject::connect(&canceller, &QTimer::timeout, [&] {
    if (panel.isVisibleTo(form_.get())) panel.CancelButton().click();
  });
  canceller.start(0);
  form_->ListViewJobs().SelectRow("Groß");
  form_->Buttons().Execute().click();
  canceller.stop();
  EXPECT_FALSE(panel.isVisibleTo(form_.get()));
  EXPECT_NE(Log().find("Abbruch der Durchführung"), std::string::npos);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("bigcopy/large.bin"))));
}

TEST_F(FormMainTest, ADueJobIsAskedThroughTheQuestionWindowAndRuns) {
  WriteFile("src/a.txt", "a");
  SaveJob("Abends", "src", "dst", [](JobDefinition& job) {
    job.TimeEnabled = true;
    job.Time = "14:06";
  });
  CreateForm();
  EXPECT_EQ(form_->ListViewJobs().ScheduleText("Abends"), "14:06 Uhr");
  clock_.AdvanceMinutes(1);
  QTimer answerer;
  QObject::connect(&answerer, &QTimer::timeout, [this] {
    if (confirm_->IsWaiting()) confirm_->YesButton().click();
  });
  answerer.start(0);
  form_->TimerJobsTimer();
  answerer.stop();
  EXPECT_EQ(ReadFile(PathOf("dst/a.txt")), "a");
  RegistryKey key(*hive_);
  ASSERT_TRUE(key.OpenForReading(JobKeyPath("Abends")));
  EXPECT_TRUE(key.ReadBool("Confirm"));
  EXPECT_NE(key.ReadString("Execution"), "n/a");
}

TEST_F(FormMainTest, NothingUnderAPanelCanBeReachedAndNoRunStartsUnderTheWizard) {
  WriteFile("src/a.txt", "a");
  SaveJob("Abends", "src", "dst", [](JobDefinition& job) {
    job.TimeEnabled = true;
    job.Time = "14:06";
  });
  SaveJob("Hand", "src", "hand");
  CreateForm();
  ui::JobListView& list = form_->ListViewJobs();
  const auto reachable = [this](QWidget& widget) {
    return widget.isVisibleTo(form_.get()) &&
           !QAccessible::queryAccessibleInterface(&widget)->state().invisible;
  };

  // The information panel covers the list, not the buttons; Esc closes it.
  list.SelectRow("Hand");
  form_->ListViewJobsDblClick();
  EXPECT_FALSE(reachable(list));
  EXPECT_TRUE(reachable(form_->Buttons().Delete()));
  ui::FlatButton& back = form_->SimplePanelJobInfo().BackButton();
  EXPECT_EQ(form_->focusWidget(), &back);
  QTest::keyClick(&back, Qt::Key_Escape);
  EXPECT_FALSE(form_->SimplePanelJobInfo().isVisibleTo(form_.get()));
  EXPECT_TRUE(reachable(list));

  // "Durchführen" while the question waits, then "Neu", then "Ja": nothing runs until
  // the wizard, which covers the buttons and the list, is closed again.
  clock_.AdvanceMinutes(1);
  bool ran_under_wizard = false;
  int step = 0;
  QElapsedTimer wizard_open;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    ui::JobWizard& wizard = form_->SimplePanelWizard();
    if (wizard.isVisibleTo(form_.get()) && form_->RunInProgress()) ran_under_wizard = true;
    if (step == 0 && confirm_->IsWaiting()) {
      step = 1;
      form_->Buttons().Execute().click();
      form_->Buttons().New().click();
      wizard_open.start();
      confirm_->YesButton().click();
    } else if (step == 1 && wizard_open.elapsed() > 300) {
      step = 2;
      EXPECT_TRUE(wizard.isVisibleTo(form_.get()));
      EXPECT_FALSE(reachable(form_->Buttons().Delete()) || reachable(form_->Buttons().Execute()));
      EXPECT_FALSE(reachable(list));
      wizard.FlatButtonCancelClick();
    }
  });
  user.start(0);
  form_->TimerJobsTimer();
  user.stop();
  EXPECT_EQ(step, 2);
  EXPECT_FALSE(ran_under_wizard);
  EXPECT_EQ(ReadFile(PathOf("dst/a.txt")), "a");
  EXPECT_EQ(ReadFile(PathOf("hand/a.txt")), "a");
  EXPECT_TRUE(reachable(form_->Buttons().Delete()) && reachable(list));
}

TEST_F(FormMainTest, AFirstStartOpensTheWizardAndMinimizedStartsShowOnlyTheTray) {
  CreateForm();
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(form_->SimplePanelWizard().isVisibleTo(form_.get()));
  form_.reset();

  settings_->ChooseStartMinimized();
  SaveJob("beta", "b1", "b2");
  form_ =
      std::make_unique<TFormMain>(Services([](const QUrl&, const std::function<void(bool)>&) {}));
  form_->SetMinimizeToTray(true);
  ASSERT_TRUE(form_->FormCreate(true));
  EXPECT_FALSE(form_->isVisible());
  EXPECT_FALSE(form_->SimplePanelWizard().isVisibleTo(form_.get()));
  const std::string log = Log();
  EXPECT_NE(log.find("Parvolind gestartet"), log.rfind("Parvolind gestartet")) << "two starts";
}

TEST_F(FormMainTest, ARunNobodyWatchedThatFailsIsReportedAndACleanOneIsNot) {
  SaveJob("Innen", "src", "src/inner");  // refused: one root lies inside the other
  SaveJob("Gut", "good", "goodcopy");
  CreateForm();
  QSignalSpy noticed(form_.get(), &TFormMain::RunNeedsAttention);
  form_->SetMinimizeToTray(true);
  form_->hide();
  form_->ExecuteSynchronisation("Gut");
  EXPECT_EQ(noticed.count(), 0);
  form_->ExecuteSynchronisation("Innen");
  ASSERT_EQ(noticed.count(), 1);
  EXPECT_EQ(noticed[0][0].toString(),
            QStringLiteral("Die Synchronisation von „Innen“ ist fehlgeschlagen."));

  // Without a tray the window comes back minimised, with the job's row marked.
  form_->SetMinimizeToTray(false);
  form_->ExecuteSynchronisation("Innen");
  EXPECT_EQ(noticed.count(), 1);
  EXPECT_TRUE(form_->isMinimized());
  EXPECT_EQ(form_->ListViewJobs().SelectedName(), "Innen");
}

TEST_F(FormMainTest, ClosingMinimisesAndTheSessionEndsOnlyWhenItReallyEnds) {
  CreateForm();
  EXPECT_NE(Log().find("Parvolind gestartet"), std::string::npos);

  // A close request only minimises, and so does the window manager's minimise, into the
  // tray with the taskbar entry.
  form_->SetMinimizeToTray(true);
  EXPECT_FALSE(form_->close());
  EXPECT_FALSE(form_->isVisible());
  form_->Anzeigen1Click();
  form_->setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_FALSE(form_->isVisible());
  form_->Anzeigen1Click();
  EXPECT_TRUE(form_->isVisible());
  EXPECT_FALSE(form_->isMinimized());
  EXPECT_EQ(Log().find("Parvolind beendet"), std::string::npos);

  // The session manager's question is answered and logged, but the logout may still be
  // called off: the program goes on working, and a close request still minimises.
  EXPECT_TRUE(form_->WMQueryEndSession());
  EXPECT_FALSE(form_->isVisible()) << "the window goes out of the way first";
  EXPECT_NE(Log().find("System-ShutDown"), std::string::npos);
  EXPECT_FALSE(form_->ProgramEnding());
  EXPECT_TRUE(form_->TimerJobs().isActive());
  form_->Anzeigen1Click();
  EXPECT_FALSE(form_->close());

  // The session ends with the session manager's last word, the application's quit
  // request: no second entry, and no user entry after it.
  QCoreApplication::instance()->installEventFilter(form_.get());
  QEvent quit(QEvent::Quit);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
  EXPECT_TRUE(form_->ProgramEnding());
  EXPECT_FALSE(form_->TimerJobs().isActive());
  form_->FormDestroy();
  const std::string log = Log();
  EXPECT_EQ(log.find("System-ShutDown"), log.rfind("System-ShutDown"));
  EXPECT_EQ(log.find("Terminierung durch Anwender"), std::string::npos);
}

TEST_F(FormMainTest, TheSessionEndDuringARunAsksOnceAndAYesEndsTheLogAfterTheRunsLines) {
  WriteFile("big/large.bin", std::string(32 << 20, 'x'));
  SaveJob("Groß", "big", "bigcopy");
  CreateForm();
  settings_->ChooseBufferSize(32);
  // A second SIGTERM while the question is open asks nothing of its own.
  dialogs_.while_asking = [this] { form_->SessionEnding(); };
  int requests = 0;
  QTimer terminator;
  QObject::connect(&terminator, &QTimer::timeout, [&] {
    if (!form_->RunInProgress() || requests == 2) return;
    dialogs_.answers = {requests == 1};
    ++requests;
    form_->SessionEnding();
    if (requests == 1) {
      EXPECT_FALSE(form_->ProgramEnding()) << "a No keeps the program and its run going";
    }
  });
  terminator.start(0);
  form_->ListViewJobs().SelectRow("Groß");
  form_->Buttons().Execute().click();
  terminator.stop();
  EXPECT_EQ(requests, 2);
  EXPECT_EQ(dialogs_.questions.size(), 2u);
  EXPECT_TRUE(form_->ProgramEnding());
  const std::string log = Log();
  const size_t shutdown = log.find("System-ShutDown");
  ASSERT_NE(shutdown, std::string::npos);
  EXPECT_EQ(log.find("Beendet um:", shutdown), std::string::npos) << log;
  EXPECT_EQ(log.find("Grund:"), std::string::npos) << "the run ends without its end lines";
  EXPECT_TRUE(form_->Exit().ShutdownLogged());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("bigcopy/large.bin"))));
}

TEST_F(FormMainTest, QuittingDuringARunLetsTheRunEndCancelledFirst) {
  WriteFile("big/large.bin", std::string(32 << 20, 'x'));
  SaveJob("Groß", "big", "bigcopy");
  CreateForm();
  settings_->ChooseBufferSize(32);
  QTimer quitter;
  QObject::connect(&quitter, &QTimer::timeout, [&] {
    if (form_->RunInProgress()) form_->Menus().Item(QStringLiteral("Beenden1"))->trigger();
  });
  quitter.start(0);
  form_->ListViewJobs().SelectRow("Groß");
  form_->Buttons().Execute().click();
  quitter.stop();
  EXPECT_TRUE(form_->ProgramEnding());
  form_->FormDestroy();
  const std::string log = Log();
  const size_t cancelled = log.find("Abbruch der Durchführung");
  ASSERT_NE(cancelled, std::string::npos) << log;
  EXPECT_NE(log.find("Terminierung durch Anwender", cancelled), std::string::npos) << log;
}

TEST_F(FormMainTest, ARunWhoseLogCannotBeWrittenSaysSoOnce) {
  SaveJob("Fotos", "src", "dst");
  CreateForm();
  std::filesystem::remove(PathOf("parvolind.log"));
  std::filesystem::create_directory(PathOf("parvolind.log"));  // no file can be written there
  QSignalSpy told(form_.get(), &TFormMain::RunLogNotWritten);
  form_->ListViewJobs().SelectRow("Fotos");
  form_->Buttons().Execute().click();
  ASSERT_EQ(told.count(), 1);
  EXPECT_FALSE(told.front().front().toString().isEmpty());
}

TEST_F(FormMainTest, AJobWithAnUnreadableTimeIsListedWithTheJobsAfterIt) {
  SaveJob("alpha", "a1", "a2", [](JobDefinition& job) { job.TimeEnabled = true; });
  SaveJob("beta", "b1", "b2");
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("alpha"), false));
    key.WriteString("Time", "xx:yy");
  }
  CreateForm();
  EXPECT_EQ(form_->ListViewJobs().RowNames(), (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(dialogs_.errors.size(), 1u);
}

TEST_F(FormMainTest, HoverAreasMenusAndOptionsFollowTheUser) {
  CreateForm();
  ui::SkinArea& programm = form_->Menus().Title(ui::WindowMenus::Menu::kProgramm);
  ui::SkinArea& optionen = form_->Menus().Title(ui::WindowMenus::Menu::kOptionen);
  emit programm.Hovered();
  emit optionen.Hovered();
  EXPECT_FALSE(programm.Lit());
  EXPECT_TRUE(optionen.Lit());
  emit form_->Menus().CloseButton().Hovered();
  EXPECT_TRUE(form_->Menus().CloseButton().Lit());
  EXPECT_TRUE(optionen.Lit()) << "the close button darkens nothing";
  emit programm.Hovered();
  EXPECT_FALSE(form_->Menus().CloseButton().Lit()) << "a menu area darkens the close button";
  emit optionen.Hovered();
  emit form_->Buttons().New().Hovered();
  emit form_->Buttons().Edit().Hovered();
  EXPECT_FALSE(form_->Buttons().New().Lit());
  EXPECT_TRUE(form_->Buttons().Edit().Lit());
  EXPECT_TRUE(optionen.Lit()) << "a button leaves the menu areas alone";
  form_->CoolFormMainMouseMove();
  EXPECT_FALSE(optionen.Lit() || form_->Menus().CloseButton().Lit() ||
               form_->Buttons().Edit().Lit());

  // Each option is written at once.
  form_->Menus().Item(QStringLiteral("Minimiertstarten1"))->trigger();
  form_->Menus().Item(QStringLiteral("N64KB1"))->trigger();
  form_->Menus().Item(QStringLiteral("Logfileerstellen1"))->trigger();
  form_->Menus().Item(QStringLiteral("AnimiertesSymbol1"))->trigger();
  EXPECT_TRUE(form_->Run().CurrentRunOptions().trash);  // on until switched off
  form_->Menus().Item(QStringLiteral("Papierkorb1"))->trigger();
  EXPECT_FALSE(form_->Run().CurrentRunOptions().trash);
  RegistryKey key(*hive_);
  ASSERT_TRUE(key.OpenForReading(kProgramKeyPath));
  EXPECT_TRUE(key.ReadBool("Minimized"));
  EXPECT_EQ(key.ReadInteger("BufferSize"), 64);
  EXPECT_FALSE(key.ReadBool("Logfile"));
  EXPECT_FALSE(key.ReadBool("AnimatedIcon"));
  EXPECT_FALSE(key.ReadBool("Trash"));
  EXPECT_EQ(form_->Run().CurrentRunOptions().copy_buffer_size, 65535);
  EXPECT_TRUE(form_->Menus().Item(QStringLiteral("N64KB1"))->isChecked());
  EXPECT_FALSE(form_->Menus().Item(QStringLiteral("N128KB1"))->isChecked());

  // The backup reports where it went; help and the log open in the user's programs.
  form_->Menus().Item(QStringLiteral("Sicherung1"))->trigger();
  ASSERT_EQ(dialogs_.warnings.size(), 1u);
  EXPECT_TRUE(dialogs_.warnings[0].startsWith(
      QStringLiteral("Die Konfiguration von Parvolind wurde gesichert:")));
  form_->Menus().Item(QStringLiteral("Logfileanzeigen1"))->trigger();
  form_->Menus().Item(QStringLiteral("Hilfe1"))->trigger();
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_TRUE(opened_[0].toLocalFile().endsWith(QStringLiteral("parvolind.log")));
  EXPECT_TRUE(opened_[1].toLocalFile().endsWith(QStringLiteral("index.html")));
  EXPECT_EQ(form_->Documents().OwnLogWindow(), nullptr);
  EXPECT_EQ(form_->Documents().OwnHelpWindow(), nullptr);

  // Where the desktop has no program for them, the window shows them itself: the log
  // from its end, the help with its links.
  desktop_opens_ = false;
  WriteFile("help/index.html", "<h1>Hilfe</h1><p><a href=\"seite.html#teil\">weiter</a></p>");
  WriteFile("help/seite.html", "<h2 id=\"teil\">Teil</h2>");
  form_->Menus().Item(QStringLiteral("Logfileanzeigen1"))->trigger();
  ASSERT_NE(form_->Documents().OwnLogWindow(), nullptr);
  QPlainTextEdit& log_text = form_->Documents().OwnLogWindow()->Text();
  EXPECT_TRUE(form_->Documents().OwnLogWindow()->isVisible());
  EXPECT_TRUE(log_text.isReadOnly());
  EXPECT_TRUE(log_text.toPlainText().contains(QStringLiteral("Parvolind gestartet")));
  EXPECT_EQ(log_text.verticalScrollBar()->value(), log_text.verticalScrollBar()->maximum());
  form_->Menus().Item(QStringLiteral("Hilfe1"))->trigger();
  ASSERT_NE(form_->Documents().OwnHelpWindow(), nullptr);
  QTextBrowser& browser = form_->Documents().OwnHelpWindow()->Browser();
  EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("weiter")));
  browser.setSource(browser.source().resolved(QUrl(QStringLiteral("seite.html#teil"))));
  EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("Teil")));

  // The keyboard opens the menus: Alt and a caption's first letter, F10 the Programm
  // menu, each with its first item chosen.
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    QMenu* menu;
  } keys[] = {{Qt::Key_P, Qt::AltModifier, &form_->PopupMenuProgramm()},
              {Qt::Key_O, Qt::AltModifier, &form_->PopupMenuOptionen()},
              {Qt::Key_H, Qt::AltModifier, &form_->PopupMenuHilfe()},
              {Qt::Key_F10, Qt::NoModifier, &form_->PopupMenuProgramm()}};
  for (const auto& press : keys) {
    QTest::keyClick(form_.get(), static_cast<Qt::Key>(press.key), press.modifiers);
    EXPECT_TRUE(press.menu->isVisible()) << press.menu->objectName().toStdString();
    EXPECT_EQ(press.menu->activeAction(), press.menu->actions().value(0));
    press.menu->hide();
  }
}

// Every focusable control that is shown below `root` has a name and a role that says
// what it is; nothing is described in English.
void ExpectNamedAndTyped(QAccessibleInterface* root, const std::string& where) {
  for (int i = 0; i < root->childCount(); ++i) {
    QAccessibleInterface* child = root->child(i);
    if (child == nullptr) continue;
    // Items of a list have no object of their own.
    const QObject* object = child->object();
    const std::string what = where + " / " +
                             (object != nullptr ? std::string(object->metaObject()->className()) +
                                                      " " + object->objectName().toStdString()
                                                : child->text(QAccessible::Name).toStdString());
    const QAccessible::State state = child->state();
    if (state.focusable && !state.invisible) {
      EXPECT_FALSE(child->text(QAccessible::Name).isEmpty()) << what;
      const QAccessible::Role role = child->role();
      EXPECT_TRUE(role != QAccessible::Client && role != QAccessible::NoRole &&
                  role != QAccessible::Pane && role != QAccessible::Grouping)
          << what << " has the role " << role;
    }
    EXPECT_NE(child->text(QAccessible::Description), QStringLiteral("Browse")) << what;
    ExpectNamedAndTyped(child, where);
  }
}

TEST_F(FormMainTest, AssistiveToolsFindEveryControlNamedWithItsRole) {
  SaveJob("beta", "b1", "b2");
  CreateForm();
  const auto check = [](QWidget& window, const std::string& where) {
    ExpectNamedAndTyped(QAccessible::queryAccessibleInterface(&window), where);
  };
  const auto role_of = [](QWidget& widget) {
    return QAccessible::queryAccessibleInterface(&widget)->role();
  };

  // The main window with the list, then with each panel laid over it.
  EXPECT_EQ(role_of(*form_), QAccessible::Window);
  QLabel& clock = form_->LabelTime();
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&clock)->text(QAccessible::Name),
            QStringLiteral("Datum und Uhrzeit"));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&clock)->text(QAccessible::Value), clock.text());
  check(*form_, "list");
  form_->ListViewJobs().SelectRow("beta");
  form_->ListViewJobsDblClick();
  check(*form_, "information");
  bool dir_read_with_heading = false;
  for (QLabel* label : form_->SimplePanelJobInfo().findChildren<QLabel*>()) {
    if (label->accessibleName() ==
        QStringLiteral("Verzeichnis 1: ") + ui::ToQString(PathOf("b1"))) {
      dir_read_with_heading = true;
    }
  }
  EXPECT_TRUE(dir_read_with_heading);
  form_->SimplePanelJobInfo().BackButton().click();
  form_->Run().Host().ShowProgressPanel(true);
  check(*form_, "progress");
  for (const ProgressBar bar : {ProgressBar::kActual, ProgressBar::kTotal}) {
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(&form_->SimplePanelProgress().Bar(bar));
    EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty());
    EXPECT_NE(accessible->valueInterface(), nullptr);
  }
  form_->Run().Host().ShowProgressPanel(false);
  form_->Buttons().New().click();
  ui::JobWizard& wizard = form_->SimplePanelWizard();
  for (int page = 0; page < ui::JobWizard::kPageCount; ++page) {
    check(*form_, "wizard page " + std::to_string(page + 1));
    if (page + 1 < ui::JobWizard::kPageCount) wizard.FlatButtonNextClick();
  }

  // A changed explanation of the direction goes with the boxes that changed it, so a
  // screen reader reads it where the user is.
  while (wizard.CurrentPage() > 1) wizard.FlatButtonBackClick();
  auto* down = form_->findChild<QCheckBox*>(QStringLiteral("CheckBoxDirectionDown"));
  down->click();
  const QString explanation = form_->findChild<QLabel*>(QStringLiteral("LabelDirection3"))->text();
  EXPECT_TRUE(explanation.startsWith(QStringLiteral("Verzeichnis 2 erhält")));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(down)->text(QAccessible::Description),
            explanation);
  wizard.FlatButtonCancelClick();

  // The other windows: the questions are dialogs, the information window a frame with a
  // link, the help and the log frames of their own.
  for (ui::QuestionWindow* question :
       std::initializer_list<ui::QuestionWindow*>{confirm_.get(), recover_.get()}) {
    question->show();
    EXPECT_EQ(role_of(*question), QAccessible::Dialog);
    check(*question, question->objectName().toStdString());
    question->hide();
  }
  info_->Show();
  EXPECT_EQ(role_of(*info_), QAccessible::Window);
  EXPECT_EQ(role_of(info_->ProductLink()), QAccessible::Link);
  check(*info_, "information window");
  desktop_opens_ = false;
  WriteFile("help/index.html", "<h1>Hilfe</h1>");
  form_->Menus().Item(QStringLiteral("Hilfe1"))->trigger();
  form_->Menus().Item(QStringLiteral("Logfileanzeigen1"))->trigger();
  for (QWidget* window : {static_cast<QWidget*>(form_->Documents().OwnHelpWindow()),
                          static_cast<QWidget*>(form_->Documents().OwnLogWindow())}) {
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(role_of(*window), QAccessible::Window);
    check(*window, window->objectName().toStdString());
  }
}

TEST_F(FormMainTest, ThePreviewListsWhatARunWouldDoAndRunsItOnRequest) {
  WriteFile("src/a.txt", "a");
  WriteFile("src/b.txt", "bb");
  SaveJob("Fotos", "src", "dst");
  CreateForm();
  const std::string log_before = Log();
  form_->ListViewJobs().SelectRow("Fotos");
  static_cast<ui::JobListMenu&>(form_->PopupMenuJobs()).PopupMenuJobsPopup();
  QAction* preview = nullptr;
  QAction* previous = nullptr;
  for (QAction* action : form_->PopupMenuJobs().actions()) {
    if (action->text() == QStringLiteral("&Vorschau")) {
      preview = action;
      break;
    }
    previous = action;
  }
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(previous->text(), QStringLiteral("&Durchführen"));
  ASSERT_TRUE(preview->isEnabled());
  preview->trigger();  // collects the whole preview before it returns

  ui::PreviewWindow* window = form_->Run().OwnPreviewWindow();
  ASSERT_NE(window, nullptr);
  window->SetEventInterval(std::chrono::milliseconds(0));
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->Collecting());
  EXPECT_EQ(window->SummaryText(), QStringLiteral("2 Datei(en) kopieren, 0 ersetzen, 0 löschen, "
                                                  "0 Konflikt(e); 3 Bytes zu übertragen."));
  QTreeView& list = window->List();
  EXPECT_EQ(list.model()->rowCount(), 2);
  EXPECT_EQ(list.accessibleName(), QStringLiteral("Aktionen"));
  EXPECT_EQ(window->focusWidget(), &list) << "the keyboard starts on the list";
  EXPECT_EQ(list.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Größe"));
  // Sorted by size, largest first, and narrowed to one action.
  list.sortByColumn(ui::PreviewModel::kSize, Qt::DescendingOrder);
  EXPECT_EQ(list.model()->index(0, ui::PreviewModel::kSize).data().toString(), QStringLiteral("2"));
  window->ActionFilter().setCurrentIndex(3);  // "löschen"
  EXPECT_EQ(list.model()->rowCount(), 0);
  window->ActionFilter().setCurrentIndex(0);
  EXPECT_EQ(list.model()->rowCount(), 2);
  // Nothing was changed: no copy, no log line, no run time.
  EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("dst/a.txt"))));
  EXPECT_EQ(Log(), log_before);
  EXPECT_FALSE(form_->RunInProgress());

  window->ButtonClose().click();
  EXPECT_FALSE(window->isVisible());

  // Once more, and this time "Durchführen": the window closes and the job runs.
  preview->trigger();
  ASSERT_TRUE(window->isVisible());
  window->ButtonRun().click();
  EXPECT_FALSE(window->isVisible());
  for (int i = 0; i < 20 && Log().find("Ende der Durchführung") == std::string::npos; ++i) {
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(ReadFile(PathOf("dst/b.txt")), "bb");
  EXPECT_NE(Log().find("Ende der Durchführung"), std::string::npos);
}

}  // namespace
}  // namespace parvolind
