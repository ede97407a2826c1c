#pragma once

#include <cstdint>
#include <memory>

namespace parvolind {

/// A local calendar date and time of day.
struct LocalTime {
  int year = 1899;
  int month = 12;  ///< 1 to 12
  int day = 30;    ///< 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

/// The program's one source of the current time, so that tests can set any moment.
class Clock {
 public:
  virtual ~Clock() = default;
  /// The current local date and time.
  virtual LocalTime Now() const = 0;
  /// The current moment as UTC nanoseconds since 1970, the scale file times use. Spans measured
  /// on it are real elapsed time, whatever summer or winter time lies between.
  virtual int64_t UtcNanoseconds() const = 0;
  /// A millisecond counter for measuring spans; it may wrap at 2^32.
  virtual uint32_t TickCount() const = 0;
};

/// The system's clock.
std::unique_ptr<Clock> CreateSystemClock();

}  // namespace parvolind
