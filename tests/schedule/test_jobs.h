#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry_hive.h"
#include "schedule/schedule_computation.h"
#include "store/date_time.h"
#include "store/registry_key.h"

namespace parvolind::testing {

/// The schedule values of a job as the wizard stores them, set up by chained calls:
/// `TestJob().Interval(5).Asking()`.
struct TestJob {
  /// Interval mode with `minutes`.
  TestJob& Interval(int32_t minutes) {
    intervall = minutes;
    int_enabled = true;
    return *this;
  }
  /// Time-of-day mode at `at`.
  TestJob& Timed(const std::string& at = "18:00") {
    time = at;
    time_enabled = true;
    return *this;
  }
  /// The weekdays selected, Sunday first.
  TestJob& Days(const std::array<bool, 7>& selected) {
    days = selected;
    return *this;
  }
  TestJob& Recover(std::optional<int32_t> value) {
    recover = value;
    return *this;
  }
  /// No `Confirm` value: the job asks before an automatic run.
  TestJob& Asking() {
    confirm.reset();
    return *this;
  }

  int32_t intervall = 10;
  bool int_enabled = false;
  std::string time = "18:00";
  bool time_enabled = false;
  std::array<bool, 7> days = {true, true, true, true, true, true, true};
  std::optional<int32_t> recover = 2;
  std::optional<bool> confirm = false;
  /// Absent: `GetJobDate` of the stored values, as a save computes it.
  std::optional<DateTime> next_sync;
};

inline std::string JobPath(const std::string& name) { return std::string(kJobsKeyPrefix) + name; }

/// Writes a job's key afresh, `NextSync` last as the wizard's save does.
inline void WriteJob(RegistryHive& hive, const ScheduleComputation& schedule,
                     const std::string& name, const TestJob& job) {
  static constexpr std::array<const char*, 7> kDays = {
      "OnSunday", "OnMonday", "OnTuesday", "OnWednesday", "OnThursday", "OnFriday", "OnSaturday"};
  RegistryKey key(hive);
  key.OpenForWriting(JobPath(name), true);
  key.WriteString("Name", name);
  key.WriteInteger("Intervall", job.intervall);
  key.WriteBool("IntEnabled", job.int_enabled);
  key.WriteString("Time", job.time);
  key.WriteBool("TimeEnabled", job.time_enabled);
  for (size_t i = 0; i < 7; ++i) key.WriteBool(kDays[i], job.days[i]);
  if (job.recover) key.WriteInteger("Recover", *job.recover);
  if (job.confirm) key.WriteBool("Confirm", *job.confirm);
  key.Close();
  const DateTime next_sync = job.next_sync ? *job.next_sync : schedule.GetJobDate(name);
  key.OpenForWriting(JobPath(name), false);
  key.WriteDateTime("NextSync", next_sync);
}

/// Deletes a job's key as the delete command does.
inline void DeleteJobKey(RegistryHive& hive, const std::string& name) {
  RegKey jobs = 0;
  if (hive.OpenKey(kJobsKeyPath, false, &jobs) != RegStatus::kOk) return;
  hive.DeleteKey(jobs, name);
  hive.CloseKey(jobs);
}

}  // namespace parvolind::testing
