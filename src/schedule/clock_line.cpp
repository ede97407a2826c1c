#include "schedule/clock_line.h"

#include <cstdio>

#include "store/date_time.h"

namespace parvolind {
namespace {

// A number with at least `width` digits, zero-padded.
std::string Padded(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof(text), "%0*d", width, value);
  return text;
}

}  // namespace

ClockLine::ClockLine(const Clock& clock, const Locale& locale) : clock_(clock), locale_(locale) {}

std::string ClockLine::Text() const { return Format(clock_.Now(), locale_); }

std::string ClockLine::Format(const LocalTime& time, const Locale& locale) {
  return locale.LongDayName(DayOfWeek(time)) + ", " + Padded(time.day, 2) + ". " +
         locale.LongMonthName(time.month) + " " + Padded(time.year, 4) + " - " +
         Padded(time.hour, 2) + ":" + Padded(time.minute, 2) + " Uhr";
}

}  // namespace parvolind
