#pragma once

#include "platform/clock.h"

namespace parvolind {

/// A date-time value: days since 30 December 1899 00:00 local time, the fraction
/// being the time of day. 0 means "no date".
using DateTime = double;

/// The value of a calendar moment, to the millisecond.
DateTime EncodeDateTime(const LocalTime& time);

/// The calendar moment of a value, rounded to the millisecond. Negative values
/// count days before day zero with a positive time of day, as the stored form has it.
LocalTime DecodeDateTime(DateTime value);

/// Weekday number of a date, 1 = Sunday to 7 = Saturday.
int DayOfWeek(const LocalTime& time);

/// The same time of day `days` calendar days later (earlier when negative).
LocalTime AddDays(const LocalTime& time, int days);

}  // namespace parvolind
