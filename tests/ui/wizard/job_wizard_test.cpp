#include "ui/wizard/job_wizard.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStringList>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "platform/locale.h"
#include "store/registry_key.h"
#include "support/test_environment.h"
#include "ui/ui_test_support.h"
#include "ui/wizard/fields/job_name_edit.h"
#include "ui/wizard/fields/time_edit.h"

namespace parvolind {
namespace {

// Types `text` key by key, also characters that QTest has no key for.
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

class JobWizardTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    testing::EnsureApplication();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    store_ = std::make_unique<JobStore>(*hive_, clock_, *locale_);
    schedule_ = std::make_unique<ScheduleComputation>(*hive_, clock_);
    wizard_ = std::make_unique<ui::JobWizard>(*store_, *schedule_, dialogs_);
  }

  template <typename Widget>
  Widget* Find(const char* name) {
    auto* widget = wizard_->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString Text(const char* name) { return Find<QLineEdit>(name)->text(); }
  void SetText(const char* name, const QString& text) { Find<QLineEdit>(name)->setText(text); }
  bool Ticked(const char* name) { return Find<QAbstractButton>(name)->isChecked(); }
  bool Usable(const char* name) { return Find<QAbstractButton>(name)->isEnabled(); }
  void Tick(const char* name, bool on) { Find<QAbstractButton>(name)->setChecked(on); }
  QString NextCaption() { return Find<QAbstractButton>("FlatButtonNext")->text(); }
  bool BackShown() { return !Find<QAbstractButton>("FlatButtonBack")->isHidden(); }
  void GoTo(int page) {
    while (wizard_->CurrentPage() < page) wizard_->FlatButtonNextClick();
  }

  void StoreJob(const std::string& name, int32_t interval = 10) {
    JobDefinition job;
    job.Name = name;
    job.Dir1 = "/daten/";
    job.Dir2 = "/sicherung/";
    job.Intervall = interval;
    store_->SaveJob(job, "", [](const std::string&) { return 0.0; });
  }

  std::unique_ptr<Locale> locale_ = CreateLocale("de_DE");
  testing::FakeClock clock_;
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<JobStore> store_;
  std::unique_ptr<ScheduleComputation> schedule_;
  testing::ScriptedDialogs dialogs_;
  std::unique_ptr<ui::JobWizard> wizard_;
};

TEST_F(JobWizardTest, WalksThePagesAndKeepsTheirRules) {
  for (QWidget* control : wizard_->findChildren<QWidget*>()) {
    if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QSpinBox*>(control) ||
        (qobject_cast<QLineEdit*>(control) && !qobject_cast<QSpinBox*>(control->parent()))) {
      EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
    }
  }
  EXPECT_EQ(wizard_->StepText(), "Schritt 1 von 6");
  EXPECT_FALSE(BackShown());
  EXPECT_EQ(Text("FlatEditDir1"), QDir::homePath() + "/");
  EXPECT_TRUE(Text("FlatEditDir2").startsWith("/media/"));

  // A changed directory shows on page 2, shortened to the label.
  const QString long_path = "/srv/archiv/abteilungen/buchhaltung/jahresabschluss/2026/belege/";
  SetText("FlatEditDir1", long_path);
  wizard_->FlatButtonNextClick();
  EXPECT_EQ(wizard_->StepText(), "Schritt 2 von 6");
  EXPECT_TRUE(BackShown());
  auto* label = Find<QLabel>("LabelDirectionDir1");
  EXPECT_TRUE(label->text().startsWith("/.../")) << label->text().toStdString();
  EXPECT_TRUE(label->text().endsWith("/2026/belege/")) << label->text().toStdString();
  EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());

  auto* explanation = Find<QLabel>("LabelDirection3");
  EXPECT_EQ(explanation->text(),
            "Bei der aktuellen Auswahl wird keine Synchronisation durchgeführt.");
  Tick("CheckBoxDirectionUp", true);
  EXPECT_TRUE(explanation->text().startsWith("Verzeichnis 1 erhält den Inhalt von Verzeichnis 2"));
  Tick("CheckBoxDirectionDown", true);
  EXPECT_TRUE(explanation->text().startsWith("Beide Verzeichnisse"));

  // Both directions: no "all files", no deleting; what the rule changed stays.
  wizard_->FlatButtonNextClick();
  EXPECT_FALSE(Usable("RadioButtonCriterionAll"));
  EXPECT_TRUE(Ticked("RadioButtonCriterionNew"));
  EXPECT_FALSE(Usable("CheckBoxCriterionDelete"));
  EXPECT_FALSE(Ticked("CheckBoxCriterionDelete"));
  wizard_->FlatButtonBackClick();
  Tick("CheckBoxDirectionUp", false);
  wizard_->FlatButtonNextClick();
  EXPECT_TRUE(Usable("RadioButtonCriterionAll"));
  EXPECT_TRUE(Usable("CheckBoxCriterionDelete"));
  EXPECT_FALSE(Ticked("CheckBoxCriterionDelete"));
  EXPECT_TRUE(Ticked("RadioButtonCriterionNew"));

  // The day count cannot be typed into, only stepped.
  GoTo(3);
  auto* days = Find<QSpinBox>("SpinEditFileFilterDays");
  QTest::keyClicks(days, "3");
  EXPECT_EQ(days->value(), 14);
  QTest::keyClick(days, Qt::Key_Up);
  EXPECT_EQ(days->value(), 15);

  // The page keys and the wheel do not move the spin fields.
  QTest::keyClick(days, Qt::Key_PageUp);
  QWheelEvent wheel(QPointF(5, 5), days->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(days, &wheel);
  EXPECT_EQ(days->value(), 15);

  // A time is not tested when the page is turned: "Weiter" moves on.
  GoTo(4);
  auto* time = Find<ui::TimeEdit>("MaskEditAutomatisationTime");
  time->selectAll();
  QTest::keyClicks(time, "7");
  wizard_->FlatButtonNextClick();
  EXPECT_EQ(wizard_->StepText(), "Schritt 6 von 6");
  EXPECT_EQ(NextCaption(), "Fertig");
  EXPECT_TRUE(dialogs_.errors.empty());

  // Only A-Z, a-z, 0-9, space, '-', '.', '_' reach the name, typed or pasted.
  auto* name = Find<ui::JobNameEdit>("FlatEditFinalName");
  name->selectAll();
  Type(name, "Daten_2026 ä\\/:ß-Kopie.1");
  EXPECT_EQ(name->text(), "Daten_2026 -Kopie.1");
  name->selectAll();
  Type(name, "ü");  // refused: the selection stays
  EXPECT_EQ(name->text(), "Daten_2026 -Kopie.1");
  name->end(false);
  name->insert("/Ü x");
  EXPECT_EQ(name->text(), "Daten_2026 -Kopie.1 x");

  wizard_->FlatButtonBackClick();
  EXPECT_EQ(NextCaption(), "Weiter");
  while (wizard_->CurrentPage() > 0) wizard_->FlatButtonBackClick();
  EXPECT_FALSE(BackShown());
  EXPECT_EQ(wizard_->StepText(), "Schritt 1 von 6");
}

TEST_F(JobWizardTest, TheKeyboardWalksThePagesInTheirVisualOrder) {
  wizard_->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(wizard_.get()));
  wizard_->FocusFirstField();
  const auto focused = [] {
    return QApplication::focusWidget() != nullptr ? QApplication::focusWidget()->objectName()
                                                  : QString();
  };
  const auto press = [](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
  };

  // Tab follows the page from top to bottom, then the bar from left to right.
  QStringList order{focused()};
  for (int step = 0; step < 6; ++step) {
    press(Qt::Key_Tab);
    order << focused();
  }
  EXPECT_EQ(order,
            (QStringList{"FlatEditDir1", "FlatButtonBrowse1", "FlatEditDir2", "FlatButtonBrowse2",
                         "CheckBoxSubDirs", "FlatButtonNext", "FlatButtonCancel"}));

  // Enter in a field presses "Weiter"; each page starts at its first field, a radio
  // group at its selected radio, which the arrows move.
  Find<QLineEdit>("FlatEditDir1")->setFocus();
  press(Qt::Key_Return);
  EXPECT_EQ(focused(), "CheckBoxDirectionUp");
  press(Qt::Key_Return);
  EXPECT_EQ(focused(), "RadioButtonCriterionAll");
  press(Qt::Key_Down);
  EXPECT_TRUE(Ticked("RadioButtonCriterionNew"));
  press(Qt::Key_Tab);
  EXPECT_EQ(focused(), "CheckBoxCriterionArchiv");
  press(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(focused(), "RadioButtonCriterionNew");
  press(Qt::Key_Return);
  press(Qt::Key_Return);
  EXPECT_EQ(wizard_->CurrentPage(), 4);
  EXPECT_EQ(focused(), "CheckBoxAutomatisationMinutes");

  // Leaving the time field with a digit missing tells so and keeps the focus there;
  // Escape undoes the change, a space leaves the first hour digit unfilled.
  auto* time = Find<ui::TimeEdit>("MaskEditAutomatisationTime");
  time->setFocus();
  time->selectAll();
  QTest::keyClicks(time, "7");
  press(Qt::Key_Tab);
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0],
            "Ungültiger Eingabewert. Mit der Taste ESC machen Sie die Änderungen rückgängig.");
  EXPECT_EQ(focused(), "MaskEditAutomatisationTime");
  press(Qt::Key_Escape);
  EXPECT_EQ(time->Time(), "18:00");
  EXPECT_EQ(wizard_->CurrentPage(), 4) << "the Escape belonged to the field";
  time->setCursorPosition(0);
  QTest::keyClicks(time, " 830");
  EXPECT_EQ(time->Time(), " 8:30");

  // Enter on a button presses that button; Esc presses "Abbrechen".
  Find<QAbstractButton>("FlatButtonBack")->setFocus();
  press(Qt::Key_Return);
  EXPECT_EQ(wizard_->CurrentPage(), 3);
  QSignalSpy closed(wizard_.get(), &ui::JobWizard::Closed);
  press(Qt::Key_Escape);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(wizard_->CurrentPage(), 0);
  EXPECT_EQ(dialogs_.errors.size(), 1u);
}

TEST_F(JobWizardTest, SavesANewJobAndRefusesDuplicatesAndRelativeDirectories) {
  QSignalSpy saved(wizard_.get(), &ui::JobWizard::JobSaved);
  QSignalSpy closed(wizard_.get(), &ui::JobWizard::Closed);
  const QString chosen = QString::fromStdString(PathOf("quelle"));
  dialogs_.folders = {chosen, std::nullopt};
  wizard_->FlatButtonNewClick();
  wizard_->FlatButtonBrowse1Click();
  wizard_->FlatButtonBrowse2Click();  // cancelled: the field stays
  EXPECT_EQ(Text("FlatEditDir1"), chosen);
  ASSERT_EQ(dialogs_.folder_starts.size(), 2u);
  EXPECT_EQ(dialogs_.folder_starts[0], QDir::homePath() + "/");
  EXPECT_EQ(dialogs_.folder_starts[1], chosen);
  EXPECT_EQ(dialogs_.folder_titles[0],
            "Wählen Sie hier das Verzeichnis aus, dessen Inhalt synchronisiert werden soll.");
  SetText("FlatEditDir2", "~/sicherung/");
  Tick("CheckBoxAutomatisationTime", true);
  Tick("CheckBoxSaturday", false);
  GoTo(5);
  Find<ui::JobNameEdit>("FlatEditFinalName")->SetName("Backup");
  wizard_->FlatButtonNextClick();

  ASSERT_EQ(saved.count(), 1);
  EXPECT_EQ(saved[0][0].toString(), "Backup");
  EXPECT_FALSE(saved[0][1].toBool());
  EXPECT_EQ(closed.count(), 1);
  const JobDefinition job = store_->LoadJob("Backup");
  EXPECT_EQ(job.Dir1, chosen.toStdString());
  EXPECT_EQ(job.Dir2, QDir::homePath().toStdString() + "/sicherung/");
  EXPECT_TRUE(job.TimeEnabled);
  EXPECT_EQ(job.Time, "18:00");
  EXPECT_FALSE(job.OnSaturday);
  EXPECT_TRUE(job.CRC32);  // ticked on the wizard's first use
  EXPECT_GT(job.NextSync, 0.0);

  // The reset: page 1 and the defaults, the CRC check now unticked.
  EXPECT_EQ(wizard_->CurrentPage(), 0);
  EXPECT_EQ(Text("FlatEditDir1"), QDir::homePath() + "/");
  EXPECT_EQ(Text("FlatEditFinalName"), "Unbenannt");
  EXPECT_FALSE(Ticked("CheckBoxAutomatisationTime"));
  EXPECT_TRUE(Ticked("CheckBoxSaturday"));
  EXPECT_FALSE(Ticked("CheckBoxFinalCRC"));

  // A duplicate by case and a relative directory: refused, all inputs kept.
  wizard_->FlatButtonNewClick();
  Tick("RadioButtonFileFilterOnly", true);
  SetText("FlatEditFileFilter", "*.doc");
  GoTo(5);
  Find<ui::JobNameEdit>("FlatEditFinalName")->SetName("BACKUP");
  wizard_->FlatButtonNextClick();
  SetText("FlatEditDir1", "daten/");
  Find<ui::JobNameEdit>("FlatEditFinalName")->SetName("Zweiter");
  wizard_->FlatButtonNextClick();
  ASSERT_EQ(dialogs_.warnings.size(), 2u);
  EXPECT_EQ(dialogs_.warnings[0], "Es existiert bereits ein Auftrag mit dieser Bezeichnung!");
  EXPECT_EQ(dialogs_.warnings[1], "Bitte geben Sie für Verzeichnis 1 einen absoluten Pfad an.");
  EXPECT_EQ(wizard_->CurrentPage(), 5);
  EXPECT_EQ(Text("FlatEditDir1"), "daten/");
  EXPECT_EQ(Text("FlatEditFileFilter"), "*.doc");
  EXPECT_TRUE(Ticked("RadioButtonFileFilterOnly"));
  EXPECT_EQ(saved.count(), 1);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(store_->ListJobs(), std::vector<std::string>{"Backup"});

  wizard_->FlatButtonCancelClick();
  EXPECT_EQ(closed.count(), 2);
  EXPECT_EQ(wizard_->CurrentPage(), 0);
  EXPECT_EQ(Text("FlatEditFileFilter"), "");
  EXPECT_TRUE(Ticked("RadioButtonFileFilterAll"));
}

TEST_F(JobWizardTest, EditsRenamesAndClampsLoadedValues) {
  StoreJob("Alpha", 2);
  StoreJob("Gamma");
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Alpha"), false));
    key.WriteInteger("FilterValue", 20000);
    key.WriteString("Time", " 8:30");
  }
  QSignalSpy saved(wizard_.get(), &ui::JobWizard::JobSaved);

  ASSERT_TRUE(wizard_->Edit("Alpha"));
  EXPECT_EQ(wizard_->EditedJobKey(), "Alpha");
  EXPECT_EQ(Find<QSpinBox>("SpinEditAutomatisationMinutes")->value(), 5);
  EXPECT_EQ(Find<QSpinBox>("SpinEditFileFilterDays")->value(), 10000);
  EXPECT_EQ(Find<ui::TimeEdit>("MaskEditAutomatisationTime")->Time(), " 8:30");
  EXPECT_EQ(Text("FlatEditDir1"), "/daten/");
  EXPECT_TRUE(Ticked("CheckBoxFinalCRC"));

  // Renaming onto another job is refused; both stay as stored.
  GoTo(5);
  Find<ui::JobNameEdit>("FlatEditFinalName")->SetName("gamma");
  wizard_->FlatButtonNextClick();
  ASSERT_EQ(dialogs_.warnings.size(), 1u);
  EXPECT_EQ(store_->ListJobsSorted(), (std::vector<std::string>{"Alpha", "Gamma"}));

  Find<ui::JobNameEdit>("FlatEditFinalName")->SetName("Beta");
  wizard_->FlatButtonNextClick();
  ASSERT_EQ(saved.count(), 1);
  EXPECT_EQ(saved[0][0].toString(), "Beta");
  EXPECT_TRUE(saved[0][1].toBool());
  EXPECT_EQ(store_->ListJobsSorted(), (std::vector<std::string>{"Beta", "Gamma"}));
  const JobDefinition beta = store_->LoadJob("Beta");
  EXPECT_EQ(beta.Intervall, 5);
  EXPECT_EQ(beta.FilterValue, 10000);
  EXPECT_EQ(beta.Time, " 8:30");

  // A job without values cannot be edited.
  RegKey empty = 0;
  ASSERT_EQ(hive_->OpenKey(JobKeyPath("Leer"), true, &empty), RegStatus::kOk);
  hive_->CloseKey(empty);
  EXPECT_FALSE(wizard_->Edit("Leer"));
  EXPECT_EQ(wizard_->EditedJobKey(), "");
  ASSERT_EQ(dialogs_.warnings.size(), 2u);
  EXPECT_EQ(dialogs_.warnings[1], "Fehler beim Laden der Auftrags-Daten!");
}

}  // namespace
}  // namespace parvolind
