#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/registry_hive.h"
#include "store/date_time.h"

namespace parvolind {

/// A time-of-day text whose hour or minute is not a decimal number.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Turns a job's stored schedule into its next scheduled moment and its schedule
/// text. Reads the job's values and the clock each time; keeps no state.
class ScheduleComputation {
 public:
  ScheduleComputation(RegistryHive& hive, const Clock& clock);

  /// True when the clock's minutes of the day ("hh:mm") are at or past the job time's.
  static bool GetDateOver(std::string_view job_time, std::string_view clock_time);
  /// Minutes between job time and clock, never negative (a job hour earlier than
  /// the clock's hour counts as tomorrow's).
  static int GetMinutes(std::string_view job_time, std::string_view clock_time);

  /// The job's next scheduled moment, 0 when it has no time of day.
  DateTime GetJobDate(const std::string& job_name) const;
  /// The job's schedule text: "10 Minute(n)", "18:00 Uhr", "Montag", "manuell".
  std::string SetMinutesText(const std::string& job_name) const;

  /// The clock's time of day as "hh:mm".
  std::string ClockText() const;

 private:
  RegistryHive& hive_;
  const Clock& clock_;
};

}  // namespace parvolind
