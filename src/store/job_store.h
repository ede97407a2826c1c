#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "store/date_time.h"
#include "store/job_definition.h"
#include "store/job_summary.h"

namespace parvolind {

/// The names of a job's values in the order a save writes them, `Confirm` last
/// (a save never writes it; the timer does).
inline constexpr std::array<std::string_view, 32> kJobValueNames = {
    "Name",       "Definition", "Execution",   "Dir1",      "Dir2",        "SubDirs",
    "DirUp",      "DirDown",    "CritAll",     "CritNew",   "CritNewer",   "ArchivBit",
    "DelOthers",  "FilterType", "Filter",      "FilterOld", "FilterValue", "Intervall",
    "IntEnabled", "Time",       "TimeEnabled", "OnMonday",  "OnTuesday",   "OnWednesday",
    "OnThursday", "OnFriday",   "OnSaturday",  "OnSunday",  "CRC32",       "NextSync",
    "Recover",    "Confirm"};

/// The longest job name the store accepts, in bytes (the registry's limit for a
/// key name; the wizard's names are plain ASCII, one byte per character).
inline constexpr size_t kMaxJobNameLength = 255;

/// Whether the store accepts `name` as a job's name: not empty, at most
/// kMaxJobNameLength bytes, no backslash and no control character.
bool IsUsableJobName(std::string_view name);

/// The key path of a job: kJobsKeyPrefix followed by the name.
std::string JobKeyPath(std::string_view job_name);

/// Names of the job values that more than the store reads or writes: the run, the
/// tick, the automation commands and the command line.
namespace job_value {
inline constexpr std::string_view kExecution = "Execution";
inline constexpr std::string_view kDir1 = "Dir1";
inline constexpr std::string_view kDir2 = "Dir2";
inline constexpr std::string_view kIntervall = "Intervall";
inline constexpr std::string_view kIntEnabled = "IntEnabled";
inline constexpr std::string_view kTime = "Time";
inline constexpr std::string_view kTimeEnabled = "TimeEnabled";
inline constexpr std::string_view kNextSync = "NextSync";
inline constexpr std::string_view kRecover = "Recover";
inline constexpr std::string_view kConfirm = "Confirm";
}  // namespace job_value

/// A save refused with a text for the user; nothing was written.
class JobSaveRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Computes a job's next scheduled moment from its stored values (the schedule
/// layer provides it; the save calls it after the schedule values are written).
using JobDateFunction = std::function<DateTime(const std::string& job_name)>;

/// The registry-backed job definitions: list, read, save, delete.
class JobStore {
 public:
  JobStore(RegistryHive& hive, const Clock& clock, const Locale& locale);

  /// Job names in the store's enumeration order; empty when there is no Jobs key.
  std::vector<std::string> ListJobs() const;
  /// Job names in the job list's order (locale-aware, "alpha" before "Beta").
  std::vector<std::string> ListJobsSorted() const;
  /// Whether a key for `name` exists (case-insensitive).
  bool JobExists(const std::string& name) const;
  /// The job's name as its key is spelled ("Backup" for "backup"); `name` itself when there
  /// is no such job.
  std::string StoredName(const std::string& name) const;
  /// Removes the job's key and everything below it; a missing job is no error.
  void DeleteJob(const std::string& name);
  /// Reads every value of the job. Throws RegistryError with the store's text for
  /// a missing or mistyped value; `Confirm` and weekdays may be absent.
  JobDefinition LoadJob(const std::string& name) const;
  /// Reads the values the wizard edits, for editing a job: `Definition`,
  /// `Execution`, `NextSync`, `Recover` and `Confirm` are not read (they stay at
  /// their defaults), so a job missing one of them still opens. Of the criteria
  /// only those up to the first true one are read; all three false means none is
  /// set. Throws RegistryError like LoadJob.
  JobDefinition LoadJobForEditing(const std::string& name) const;
  /// What the job's information panel shows (the window's `ShowJobInfo`): its name,
  /// definition time, two folders and last run. A job that no longer exists gives
  /// empty texts; a value of the wrong type throws RegistryError.
  JobSummary ReadJobSummary(const std::string& name) const;

  /// The store side of the wizard's save. `edited_name` is the job being edited,
  /// empty for a new job. Refuses an empty or over-long name, a directory that is
  /// not an absolute path and a duplicate with JobSaveRefused; writes the key afresh in one
  /// transaction (old key deleted, values in their fixed order, `Definition` now, `Execution`
  /// "n/a", `NextSync` from `job_date`, `Recover` 2, no `Confirm`). Throws RegistryError when a
  /// write fails, leaving the store as it was.
  void SaveJob(const JobDefinition& job, const std::string& edited_name,
               const JobDateFunction& job_date);

  /// The text of `Definition` and `Execution` for a moment:
  /// "08. Dezember 2026, 03:17 Uhr" under German settings.
  static std::string FormatRunTime(const LocalTime& time, const Locale& locale);

 private:
  RegistryHive& hive_;
  const Clock& clock_;
  const Locale& locale_;
};

}  // namespace parvolind
