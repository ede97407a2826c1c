#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/locale.h"

namespace parvolind {

/// The main window's clock line (`LabelTime`), refreshed by `TimerTimeTimer`
/// every second and once when the window is created.
class ClockLine {
 public:
  ClockLine(const Clock& clock, const Locale& locale);

  /// The line for the clock's current moment.
  std::string Text() const;

  /// Long weekday name, ", ", two-digit day, ". ", long month name, a blank, the
  /// four-digit year, " - ", the 24-hour "hh:mm" and " Uhr": under German settings
  /// "Montag, 01. Januar 2002 - 18:00 Uhr". The names come from `locale`.
  static std::string Format(const LocalTime& time, const Locale& locale);

 private:
  const Clock& clock_;
  const Locale& locale_;
};

}  // namespace parvolind
