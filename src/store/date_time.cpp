#include "store/date_time.h"

#include <cmath>
#include <cstdint>

namespace parvolind {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kDayZero = -25569;
constexpr int64_t kMsPerDay = 86400000;

int64_t DayNumber(const LocalTime& t) {
  return DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) -
         kDayZero;
}

}  // namespace

DateTime EncodeDateTime(const LocalTime& t) {
  const double days = static_cast<double>(DayNumber(t));
  const double fraction =
      static_cast<double>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond) /
      static_cast<double>(kMsPerDay);
  // Before day zero the whole part counts backwards while the fraction still
  // runs forwards, so -1.25 is 29 December 1899, 06:00.
  return days >= 0 ? days + fraction : days - fraction;
}

LocalTime DecodeDateTime(DateTime value) {
  double whole = std::trunc(value);
  double fraction = std::fabs(value - whole);
  int64_t ms = std::llround(fraction * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {  // rounding carried into the next day
    ms -= kMsPerDay;
    whole += value >= 0 ? 1 : -1;
  }
  LocalTime t;
  CivilFromDays(static_cast<int64_t>(whole) + kDayZero, &t.year, &t.month, &t.day);
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

int DayOfWeek(const LocalTime& t) {
  // Day zero, 30 December 1899, was a Saturday (7).
  const int64_t n = DayNumber(t);
  return static_cast<int>(((n - 1) % 7 + 7) % 7) + 1;
}

LocalTime AddDays(const LocalTime& t, int days) {
  LocalTime r = t;
  CivilFromDays(DayNumber(t) + days + kDayZero, &r.year, &r.month, &r.day);
  return r;
}

}  // namespace parvolind
