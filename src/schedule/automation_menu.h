#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/registry_hive.h"
#include "schedule/schedule_computation.h"
#include "schedule/tick_host.h"

namespace parvolind {

/// The check marks and enabled states of the job list's context menu
/// (`PopupMenuJobs`) and its submenu "&Automatisierung", which the window's menu
/// mirrors after every handler.
struct AutomationMenuState {
  bool inaktiv_checked = false;    ///< `Inaktiv1`, "I&naktiv": the menu's own state
  bool manuell_checked = false;    ///< `Manuell1`, "&Manuell"
  bool intervall_checked = false;  ///< `Intervall1`, "&Intervall"
  bool uhrzeit_checked = false;    ///< `Uhrzeit1`, "&Uhrzeit"

  bool bearbeiten_enabled = true;       ///< `Bearbeiten1`, "&Bearbeiten"
  bool entfernen_enabled = true;        ///< `Entfernen1`, "&Entfernen"
  bool durchfuehren_enabled = true;     ///< `Durchfhren1`, "&Durchführen"
  bool automatisierung_enabled = true;  ///< `Automatisierung1`, "&Automatisierung"
  bool informationen_enabled = true;    ///< `Informationen1`, "&Informationen"

  friend bool operator==(const AutomationMenuState&, const AutomationMenuState&) = default;
};

/// The context menu's opening handler and the four commands that switch the
/// selected job's automation mode without the wizard. The menu keeps its check
/// marks from one opening to the next, for whichever job.
class AutomationMenu {
 public:
  AutomationMenu(RegistryHive& hive, const Clock& clock, JobListHost& host);

  /// The state the window's menu shows.
  const AutomationMenuState& State() const { return state_; }

  /// Before the menu opens (the window's `PopupMenuJobsPopup`): without a selection the five
  /// commands are disabled; otherwise "&Intervall" and "&Uhrzeit" follow the job's `IntEnabled` and
  /// `TimeEnabled` where they exist, "&Manuell" is checked when neither is, and
  /// the five commands are enabled. A job that cannot be read leaves the marks.
  void ReadStateFor(const std::optional<std::string>& selected_job);

  /// `Inaktiv1Click` of the window: toggles "I&naktiv"; checked switches the job off ("inaktiv"
  /// in the list, nothing stored), cleared gives it its computed text again.
  void ToggleInactive(const std::string& job_name);
  /// `Manuell1Click` of the window: stores `IntEnabled` and `TimeEnabled` as false and sets the
  /// job's text afresh.
  void SetManual(const std::string& job_name);
  /// `Intervall1Click` of the window: toggles "&Intervall", stores it as `IntEnabled` and sets
  /// the job's text afresh.
  void ToggleInterval(const std::string& job_name);
  /// `Uhrzeit1Click` of the window: toggles "&Uhrzeit", stores it as `TimeEnabled` and sets the
  /// job's text afresh.
  void ToggleTime(const std::string& job_name);

 private:
  void UpdateManuell();
  void WriteMode(const std::string& job_name, bool write_interval, bool write_time);
  void SetFreshScheduleText(const std::string& job_name);

  RegistryHive& hive_;
  JobListHost& host_;
  ScheduleComputation schedule_;
  AutomationMenuState state_;
};

}  // namespace parvolind
