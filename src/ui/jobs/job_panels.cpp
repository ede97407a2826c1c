#include "ui/jobs/job_panels.h"

#include <exception>
#include <optional>

#include "ui/jobs/job_info_panel.h"
#include "ui/jobs/job_list_view.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/wizard/job_wizard.h"

namespace parvolind::ui {

JobPanels::JobPanels(JobStore& store, ScheduleComputation& schedule, Dialogs& dialogs,
                     JobTick& tick, JobListView& list, JobInfoPanel& info, JobWizard& wizard,
                     QObject* parent)
    : QObject(parent),
      store_(store),
      schedule_(schedule),
      dialogs_(dialogs),
      tick_(tick),
      list_(list),
      info_(info),
      wizard_(wizard) {
  connect(&wizard_, &JobWizard::JobSaved, this, &JobPanels::WizardJobSaved);
  connect(&wizard_, &JobWizard::Closed, this, &JobPanels::WizardClosed);
  connect(&info_, &JobInfoPanel::BackClicked, this, [this] { list_.setFocus(); });
}

void JobPanels::GetJobs() {
  list_.RemoveAllRows();
  for (const std::string& name : store_.ListJobs()) {
    list_.AddRow(name);
    try {
      list_.SetScheduleText(name, schedule_.SetMinutesText(name));
    } catch (const std::exception& error) {
      // The job stays listed with an empty schedule text, which the tick passes over; the jobs
      // after it are listed and run as ever.
      list_.SetScheduleText(name, std::string());
      dialogs_.ShowError(ToQString(error.what()));
    }
  }
}

void JobPanels::ShowWizard(bool hold_timer) {
  info_.hide();
  if (hold_timer && !wizard_holds_timer_) {
    wizard_holds_timer_ = true;
    tick_.HoldTimerJobs();
  }
  wizard_.show();
  wizard_.raise();
  wizard_.FocusFirstField();
}

void JobPanels::NewJob() {
  wizard_.FlatButtonNewClick();
  ShowWizard(true);
}

void JobPanels::EditSelected() {
  const std::optional<std::string> selected = list_.SelectedName();
  if (!selected) return;
  info_.hide();
  if (wizard_.Edit(*selected)) ShowWizard(true);
}

void JobPanels::WizardJobSaved(const QString& name, bool old_row_removed) {
  // The edited job's own row goes, found by its name: the selection may have moved
  // while the wizard was open.
  if (old_row_removed) list_.RemoveRow(wizard_.EditedJobKey());
  const std::string job_name = ToStdString(name);
  list_.AddRow(job_name);
  try {
    list_.SetScheduleText(job_name, schedule_.SetMinutesText(job_name));
  } catch (const std::exception& error) {
    dialogs_.ShowError(ToQString(error.what()));
  }
  list_.clearSelection();
  list_.SelectRow(job_name);
}

void JobPanels::WizardClosed() {
  wizard_.hide();
  if (wizard_holds_timer_) {
    wizard_holds_timer_ = false;
    tick_.ReleaseTimerJobs();
  }
  list_.setFocus();
}

void JobPanels::DeleteSelected() {
  const std::optional<std::string> selected = list_.SelectedName();
  if (!selected) return;
  if (dialogs_.Ask(QStringLiteral("Soll der ausgewählte Auftrag wirklich gelöscht werden?"))) {
    try {
      store_.DeleteJob(*selected);
    } catch (const std::exception&) {
      // The row goes in any case; a key that is already gone is no error.
    }
    list_.RemoveRow(*selected);
  }
  info_.hide();
}

void JobPanels::ShowSelectedInfo() {
  const std::optional<std::string> selected = list_.SelectedName();
  if (selected) ShowJobInfo(*selected);
}

void JobPanels::ShowJobInfo(const std::string& job_name) {
  try {
    // Read in full first, so that a value of the wrong type leaves the panel as it was.
    info_.ShowJobInfo(store_.ReadJobSummary(job_name));
  } catch (const std::exception& error) {
    dialogs_.ShowError(ToQString(error.what()));
  }
}

}  // namespace parvolind::ui
