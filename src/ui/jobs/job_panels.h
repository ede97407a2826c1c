#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "schedule/job_tick.h"
#include "schedule/schedule_computation.h"
#include "store/job_store.h"
#include "ui/toolkit/dialogs.h"

namespace parvolind::ui {

class JobInfoPanel;
class JobListView;
class JobWizard;

/// The job list with the two panels laid over it, the information panel and the wizard:
/// fills the list from the store, opens the wizard for a new or the selected job (holding the
/// job timer while it is open), puts a saved job's row in place, deletes the selected job and
/// shows its information. The main window's job commands forward here.
class JobPanels : public QObject {
  Q_OBJECT

 public:
  JobPanels(JobStore& store, ScheduleComputation& schedule, Dialogs& dialogs, JobTick& tick,
            JobListView& list, JobInfoPanel& info, JobWizard& wizard, QObject* parent = nullptr);

  /// `GetJobs`: fills the list from the store, each row with its schedule text. An error ends
  /// the filling of that row with an error box; the other rows are listed as ever.
  void GetJobs();
  /// Shows the wizard; with `hold_timer` the job timer waits until it closes.
  void ShowWizard(bool hold_timer);
  /// "Neu": the wizard on a new job.
  void NewJob();
  /// "Bearbeiten": the wizard on the selected job, if its values could be loaded.
  void EditSelected();
  /// "Entfernen": deletes the selected job after asking.
  void DeleteSelected();
  /// The information panel on the selected job.
  void ShowSelectedInfo();
  /// The information panel on `job_name`.
  void ShowJobInfo(const std::string& job_name);

 private:
  void WizardJobSaved(const QString& name, bool old_row_removed);
  void WizardClosed();

  JobStore& store_;
  ScheduleComputation& schedule_;
  Dialogs& dialogs_;
  JobTick& tick_;
  JobListView& list_;
  JobInfoPanel& info_;
  JobWizard& wizard_;
  bool wizard_holds_timer_ = false;
};

}  // namespace parvolind::ui
