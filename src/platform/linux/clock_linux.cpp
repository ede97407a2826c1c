#include <ctime>

#include "platform/clock.h"

namespace parvolind {
namespace {

class SystemClock : public Clock {
 public:
  LocalTime Now() const override {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min,         local.tm_sec,     static_cast<int>(now.tv_nsec / 1000000)};
  }

  int64_t UtcNanoseconds() const override {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  }

  uint32_t TickCount() const override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Wraps like the Windows tick counter; spans are taken as unsigned differences.
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u +
                        static_cast<uint64_t>(now.tv_nsec / 1000000);
    return static_cast<uint32_t>(ms);
  }
};

}  // namespace

std::unique_ptr<Clock> CreateSystemClock() { return std::make_unique<SystemClock>(); }

}  // namespace parvolind
