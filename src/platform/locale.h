#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace parvolind {

/// The user's regional settings: names, formats and separators. All texts are UTF-8.
class Locale {
 public:
  virtual ~Locale() = default;
  /// Full month name, `month` 1 to 12 ("Dezember" under German settings).
  virtual std::string LongMonthName(int month) const = 0;
  /// Full weekday name, `day_of_week` 1 = Sunday to 7 = Saturday ("Sonntag").
  virtual std::string LongDayName(int day_of_week) const = 0;
  /// The short date format with a four-digit year ("08.12.2026").
  virtual std::string FormatShortDate(const LocalTime& time) const = 0;
  /// The long time format: hours, minutes and seconds, no zone ("14:05:09").
  virtual std::string FormatLongTime(const LocalTime& time) const = 0;
  /// Digit-group separator ("." under German settings).
  virtual std::string ThousandsSeparator() const = 0;
  /// Decimal separator ("," under German settings).
  virtual std::string DecimalSeparator() const = 0;
  /// Locale-aware, case-insensitive comparison of names, as a sorted list of
  /// names uses it ("alpha" before "Beta"): negative, 0 or positive.
  virtual int CompareNames(std::string_view a, std::string_view b) const = 0;
};

/// The user's own regional settings.
std::unique_ptr<Locale> CreateSystemLocale();

/// The settings of a named locale such as "de_DE", whatever the machine has installed.
std::unique_ptr<Locale> CreateLocale(const std::string& name);

}  // namespace parvolind
