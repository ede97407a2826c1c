#include "schedule/schedule_computation.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

// Weekday values and names, indexed by weekday number - 1 (1 = Sunday).
constexpr std::array<const char*, 7> kDayValues = {
    "OnSunday", "OnMonday", "OnTuesday", "OnWednesday", "OnThursday", "OnFriday", "OnSaturday"};
constexpr std::array<const char*, 7> kDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                                  "Donnerstag", "Freitag", "Samstag"};

// Reads two characters of a time text as a decimal number. A blank in front of
// a single digit (" 8:30", as the time field stores an unfilled first position)
// reads as that digit.
int ReadTwoDigits(std::string_view text, size_t position) {
  std::string_view part =
      text.size() >= position + 2 ? text.substr(position, 2) : std::string_view();
  if (!part.empty() && part[0] == ' ') part.remove_prefix(1);
  bool valid = !part.empty();
  int value = 0;
  for (char c : part) {
    if (c < '0' || c > '9') {
      valid = false;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (!valid) {
    throw ConversionError("'" + std::string(text) + "' ist keine gültige Uhrzeit");
  }
  return value;
}

int HourOf(std::string_view text) { return ReadTwoDigits(text, 0); }
int MinuteOf(std::string_view text) { return ReadTwoDigits(text, 3); }

// A job time as the clock renders its own ("08:30" for a stored " 8:30"): the job
// timer finds a job due when its schedule text equals the clock's text, so the
// two must be written alike.
std::string NormalisedTime(std::string_view text) {
  char normalised[16];
  std::snprintf(normalised, sizeof(normalised), "%02d:%02d", HourOf(text), MinuteOf(text));
  return normalised;
}

// The seven weekday flags of a job; a missing value counts as selected.
std::array<bool, 7> ReadWeekdays(const RegistryKey& key) {
  std::array<bool, 7> selected{};
  for (size_t i = 0; i < 7; ++i) {
    selected[i] = !key.ValueExists(kDayValues[i]) || key.ReadBool(kDayValues[i]);
  }
  return selected;
}

// Offset 1 to 7 of the next selected weekday after `today`, 0 when none is selected.
int NextSelectedOffset(const std::array<bool, 7>& selected, int today) {
  for (int i = 1; i <= 7; ++i) {
    int day = today + i;
    if (day > 7) day -= 7;
    if (selected[static_cast<size_t>(day - 1)]) return i;
  }
  return 0;
}

}  // namespace

ScheduleComputation::ScheduleComputation(RegistryHive& hive, const Clock& clock)
    : hive_(hive), clock_(clock) {}

bool ScheduleComputation::GetDateOver(std::string_view job_time, std::string_view clock_time) {
  return HourOf(clock_time) * 60 + MinuteOf(clock_time) >=
         HourOf(job_time) * 60 + MinuteOf(job_time);
}

int ScheduleComputation::GetMinutes(std::string_view job_time, std::string_view clock_time) {
  int job_hour = HourOf(job_time);
  const int clock_hour = HourOf(clock_time);
  // Only the hour decides whether the time is taken to be tomorrow's, so a time
  // earlier in the current hour counts as minutes since it.
  if (job_hour < clock_hour) job_hour += 24;
  return std::abs(job_hour * 60 + MinuteOf(job_time) - (clock_hour * 60 + MinuteOf(clock_time)));
}

std::string ScheduleComputation::ClockText() const {
  const LocalTime now = clock_.Now();
  char text[8];
  std::snprintf(text, sizeof(text), "%02d:%02d", now.hour % 100, now.minute % 100);
  return text;
}

DateTime ScheduleComputation::GetJobDate(const std::string& job_name) const {
  RegistryKey key(hive_);
  key.OpenForReading(JobKeyPath(job_name));
  const std::array<bool, 7> selected = ReadWeekdays(key);
  if (!key.ValueExists(job_value::kTimeEnabled) || !key.ReadBool(job_value::kTimeEnabled))
    return 0.0;

  const std::string time = key.ReadString(job_value::kTime);
  const LocalTime now = clock_.Now();
  const int today = DayOfWeek(now);
  LocalTime day = now;
  if (selected[static_cast<size_t>(today - 1)] && !GetDateOver(time, ClockText())) {
    // Today, the time has not come yet.
  } else if (const int offset = NextSelectedOffset(selected, today); offset > 0) {
    day = AddDays(now, offset);
  } else {
    day = LocalTime{};  // no weekday selected: day zero
  }
  day.hour = HourOf(time);
  day.minute = MinuteOf(time);
  day.second = 0;
  day.millisecond = 0;
  if (day.hour > 23 || day.minute > 59) {
    throw ConversionError("'" + time + "' ist keine gültige Uhrzeit");
  }
  return EncodeDateTime(day);
}

std::string ScheduleComputation::SetMinutesText(const std::string& job_name) const {
  RegistryKey key(hive_);
  key.OpenForReading(JobKeyPath(job_name));
  const std::array<bool, 7> selected = ReadWeekdays(key);
  const int today = DayOfWeek(clock_.Now());
  if (!selected[static_cast<size_t>(today - 1)]) {
    const int offset = NextSelectedOffset(selected, today);
    if (offset == 0) return "manuell";
    int day = today + offset;
    if (day > 7) day -= 7;
    return kDayNames[static_cast<size_t>(day - 1)];
  }

  const auto interval_text = [&key] {
    return std::to_string(key.ReadInteger(job_value::kIntervall)) + " Minute(n)";
  };
  if (!key.ValueExists(job_value::kIntEnabled)) return interval_text();
  const bool interval = key.ReadBool(job_value::kIntEnabled);
  const bool time_of_day = key.ReadBool(job_value::kTimeEnabled);
  if (interval && time_of_day) {
    const std::string time = key.ReadString(job_value::kTime);
    if (GetMinutes(time, ClockText()) < key.ReadInteger(job_value::kIntervall)) {
      return NormalisedTime(time) + " Uhr";
    }
    return interval_text();
  }
  if (interval) return interval_text();
  if (time_of_day) return NormalisedTime(key.ReadString(job_value::kTime)) + " Uhr";
  return "manuell";
}

}  // namespace parvolind
