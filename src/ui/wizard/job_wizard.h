#pragma once

#include <QString>
#include <QWidget>
#include <string>

#include "schedule/schedule_computation.h"
#include "store/job_store.h"
#include "ui/toolkit/dialogs.h"

class QLabel;
class QLineEdit;
class QStackedWidget;

namespace parvolind::ui {

class AutomationPage;
class CriteriaPage;
class DirectionPage;
class FileFilterPage;
class FinalPage;
class FlatButton;
class WelcomePage;

/// The job wizard: six pages that define a new job or change an existing one as a
/// whole, and save it to the job store with "Fertig". The controls hold the job's
/// values while the wizard is open; there is no other copy. The window that shows
/// it stops the job timer while it is open and hides it on Closed().
class JobWizard : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 348;   ///< fixed size of the panel
  static constexpr int kHeight = 304;  ///< fixed size of the panel
  static constexpr int kPageCount = 6;

  JobWizard(JobStore& store, ScheduleComputation& schedule, Dialogs& dialogs,
            QWidget* parent = nullptr);

  /// Starts a new job: forgets the edited job and shows page 1 with the controls
  /// as the last reset (or the first start) left them.
  void FlatButtonNewClick();
  /// Starts editing `job_name`: loads its values into the controls. When loading
  /// fails, forgets the job again, warns "Fehler beim Laden der Auftrags-Daten!"
  /// and returns false; the wizard must then stay closed.
  bool Edit(const std::string& job_name);
  /// Fills the controls from the job's stored values; false on any store error,
  /// the controls then being unchanged. The page and the step label are not touched.
  bool LoadJobData(const std::string& job_name);
  /// Shows `job` in the controls: the one way the constructor, the reset and the edit fill
  /// them. The page and the step label are not touched.
  void ShowJob(const JobDefinition& job);
  /// The name of the job being edited; empty while a new job is defined.
  const std::string& EditedJobKey() const { return edited_job_key_; }

  /// "Weiter" (next page) or "Fertig" (save) on the last page.
  void FlatButtonNextClick();
  /// "Zurück": the previous page.
  void FlatButtonBackClick();
  /// "Abbrechen": resets every control and closes the wizard.
  void FlatButtonCancelClick();
  /// The browse buttons beside the two directory fields.
  void FlatButtonBrowse1Click();
  void FlatButtonBrowse2Click();

  /// Puts the focus on the first control of the page shown (of a radio group, the
  /// selected one). The wizard does so itself whenever it turns a page while shown.
  void FocusFirstField();

  /// The page shown, 0 to 5.
  int CurrentPage() const;
  /// The step label: "Schritt 1 von 6" and so on.
  QString StepText() const;

 signals:
  /// A job was saved under `name`; `old_row_removed` when the edited job's old
  /// key was deleted, so that its row goes. Emitted before the reset.
  void JobSaved(const QString& name, bool old_row_removed);
  /// The wizard was reset (Cancel or a completed save) and wants to be closed.
  void Closed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  /// Enter presses "Weiter" ("Fertig") unless a button has the focus, Esc "Abbrechen".
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildFrame();

  // Next and Back are one handler: `sender` is the button pressed.
  void NextOrBack(const QObject* sender);
  void ShowPage(int index);
  void Save();
  void Reset();
  void Browse(QLineEdit* field);
  void FitDirectionLabels();
  /// The job a new definition starts from: the store's defaults in the default folders.
  JobDefinition DefaultJob() const;
  JobDefinition CollectJob() const;

  JobStore& store_;
  ScheduleComputation& schedule_;
  Dialogs& dialogs_;
  std::string edited_job_key_;
  QString default_dir1_;
  QString default_dir2_;
  QString last_folder_;  ///< the folder dialog's preselection

  QStackedWidget* pages_ = nullptr;
  QLabel* step_label_ = nullptr;
  FlatButton* next_button_ = nullptr;
  FlatButton* back_button_ = nullptr;
  FlatButton* cancel_button_ = nullptr;

  WelcomePage* welcome_ = nullptr;
  DirectionPage* direction_ = nullptr;
  CriteriaPage* criteria_ = nullptr;
  FileFilterPage* file_filter_ = nullptr;
  AutomationPage* automation_ = nullptr;
  FinalPage* final_ = nullptr;
};

}  // namespace parvolind::ui
