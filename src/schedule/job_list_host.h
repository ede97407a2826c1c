#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvolind {

/// Schedule text of a job switched off until the list is filled again.
inline constexpr std::string_view kScheduleTextInactive = "inaktiv";
/// Schedule text of a manual job (or one without any selected weekday).
inline constexpr std::string_view kScheduleTextManual = "manuell";
/// Schedule text while a due job waits for its question or runs.
inline constexpr std::string_view kScheduleTextRunning = "Wird durchgeführt...";
/// The ending of an interval count-down ("10 Minute(n)").
inline constexpr std::string_view kMinutesSuffix = " Minute(n)";

/// The job list as the scheduler and the automation commands see it: entries of
/// job name and schedule text, found by name, and the application's error box.
/// The main window implements it over `ListViewJobs`; tests use a fake.
class JobListHost {
 public:
  virtual ~JobListHost() = default;

  /// The captions (job names) of all entries, in list order.
  virtual std::vector<std::string> EntryNames() const = 0;
  /// The schedule text of the entry whose caption is exactly `job_name`; nothing
  /// when there is no such entry (deleted or renamed).
  virtual std::optional<std::string> ScheduleText(const std::string& job_name) const = 0;
  /// Sets the schedule text of the entry whose caption is exactly `job_name`; does
  /// nothing when there is no such entry.
  virtual void SetScheduleText(const std::string& job_name, const std::string& text) = 0;

  /// Shows a failure's text in the application's standard error box and returns
  /// when it has been closed.
  virtual void ShowError(const std::string& text) = 0;
};

}  // namespace parvolind
