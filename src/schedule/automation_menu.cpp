#include "schedule/automation_menu.h"

#include <exception>

#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {}  // namespace

AutomationMenu::AutomationMenu(RegistryHive& hive, const Clock& clock, JobListHost& host)
    : hive_(hive), host_(host), schedule_(hive, clock) {}

void AutomationMenu::ReadStateFor(const std::optional<std::string>& selected_job) {
  const bool selected = selected_job.has_value();
  if (selected) {
    // The marks only reflect the job; a job that cannot be read keeps the marks
    // that were there, and the commands stay usable.
    try {
      RegistryKey key(hive_);
      key.OpenForReading(JobKeyPath(*selected_job));
      if (key.ValueExists(job_value::kIntEnabled))
        state_.intervall_checked = key.ReadBool(job_value::kIntEnabled);
      if (key.ValueExists(job_value::kTimeEnabled))
        state_.uhrzeit_checked = key.ReadBool(job_value::kTimeEnabled);
      UpdateManuell();
    } catch (const std::exception&) {
    }
  }
  state_.bearbeiten_enabled = selected;
  state_.entfernen_enabled = selected;
  state_.durchfuehren_enabled = selected;
  state_.automatisierung_enabled = selected;
  state_.informationen_enabled = selected;
}

void AutomationMenu::ToggleInactive(const std::string& job_name) {
  state_.inaktiv_checked = !state_.inaktiv_checked;
  if (state_.inaktiv_checked) {
    host_.SetScheduleText(job_name, std::string(kScheduleTextInactive));
  } else {
    SetFreshScheduleText(job_name);
  }
}

void AutomationMenu::SetManual(const std::string& job_name) {
  state_.inaktiv_checked = false;
  state_.manuell_checked = true;
  state_.intervall_checked = false;
  state_.uhrzeit_checked = false;
  WriteMode(job_name, true, true);
  SetFreshScheduleText(job_name);
}

void AutomationMenu::ToggleInterval(const std::string& job_name) {
  state_.inaktiv_checked = false;
  state_.intervall_checked = !state_.intervall_checked;
  UpdateManuell();
  WriteMode(job_name, true, false);
  SetFreshScheduleText(job_name);
}

void AutomationMenu::ToggleTime(const std::string& job_name) {
  state_.inaktiv_checked = false;
  state_.uhrzeit_checked = !state_.uhrzeit_checked;
  UpdateManuell();
  WriteMode(job_name, false, true);
  SetFreshScheduleText(job_name);
}

void AutomationMenu::UpdateManuell() {
  state_.manuell_checked = !state_.intervall_checked && !state_.uhrzeit_checked;
}

void AutomationMenu::WriteMode(const std::string& job_name, bool write_interval, bool write_time) {
  // Opened without creating it: a job deleted meanwhile is not brought back as a
  // key holding two values. A refused write leaves the marks as they are now.
  try {
    RegistryKey key(hive_);
    key.OpenForWriting(JobKeyPath(job_name), false);
    if (write_interval) key.WriteBool(job_value::kIntEnabled, state_.intervall_checked);
    if (write_time) key.WriteBool(job_value::kTimeEnabled, state_.uhrzeit_checked);
  } catch (const std::exception&) {
  }
}

void AutomationMenu::SetFreshScheduleText(const std::string& job_name) {
  try {
    host_.SetScheduleText(job_name, schedule_.SetMinutesText(job_name));
  } catch (const std::exception& error) {
    host_.ShowError(error.what());
  }
}

}  // namespace parvolind
