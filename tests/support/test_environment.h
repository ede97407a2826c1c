#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/registry_hive.h"
#include "store/date_time.h"

namespace parvolind::testing {

/// A clock that stands still until a test moves it.
class FakeClock : public Clock {
 public:
  explicit FakeClock(const LocalTime& now = {2026, 12, 8, 14, 5, 9, 0}) : now_(now) {}
  LocalTime Now() const override { return now_; }
  /// The local time set, taken in the process's time zone (TZ), as UTC.
  int64_t UtcNanoseconds() const override;
  uint32_t TickCount() const override { return tick_; }

  void Set(const LocalTime& now) { now_ = now; }
  /// Moves the clock (and the tick counter) on by whole minutes.
  void AdvanceMinutes(int minutes) {
    now_ = DecodeDateTime(EncodeDateTime(now_) + minutes / 1440.0);
    tick_ += static_cast<uint32_t>(minutes) * 60000u;
  }
  void AdvanceDays(int days) { now_ = AddDays(now_, days); }
  void SetTick(uint32_t tick) { tick_ = tick; }
  void AdvanceTick(uint32_t ms) { tick_ += ms; }

 private:
  LocalTime now_;
  uint32_t tick_ = 1000;
};

/// A fixture with its own temporary folder, into which XDG_CONFIG_HOME,
/// XDG_STATE_HOME, XDG_RUNTIME_DIR and XDG_DATA_HOME (the trash) point for the length of
/// the test.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// The temporary folder, without trailing separator.
  std::string Dir() const { return dir_.path().toStdString(); }
  /// The home trash of the test (below XDG_DATA_HOME), without trailing separator.
  std::string TrashDir() const { return Dir() + "/xdg/3/Trash"; }
  /// A path inside the temporary folder.
  std::string PathOf(const std::string& relative) const { return Dir() + "/" + relative; }
  /// Writes a file (creating its folders) and returns its path.
  std::string WriteFile(const std::string& relative, const std::string& content) const;
  /// A registry hive of the test's own (registry.sqlite in the temporary folder;
  /// every call opens another connection to it, as another process would). Null,
  /// with a failure recorded, when it cannot be opened.
  std::unique_ptr<RegistryHive> OpenTestHive() const;
  /// The content of a file, empty when it cannot be read.
  static std::string ReadFile(const std::string& path);

 private:
  QTemporaryDir dir_;
  std::string saved_[4];
  bool had_[4] = {false, false, false, false};
};

}  // namespace parvolind::testing
