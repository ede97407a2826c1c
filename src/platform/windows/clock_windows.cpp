#include <windows.h>

#include "platform/clock.h"

namespace parvolind {
namespace {

constexpr int64_t kFileTimeToUnixEpoch = 116444736000000000LL;

class SystemClock : public Clock {
 public:
  LocalTime Now() const override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                     now.wMinute, now.wSecond, now.wMilliseconds};
  }

  int64_t UtcNanoseconds() const override {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks =
        static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return (ticks - kFileTimeToUnixEpoch) * 100;
  }

  uint32_t TickCount() const override { return GetTickCount(); }
};

}  // namespace

std::unique_ptr<Clock> CreateSystemClock() { return std::make_unique<SystemClock>(); }

}  // namespace parvolind
