#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

/// An absolute path of this platform from a POSIX-style one: "/home/anna/" as it stands on
/// Linux, "C:\\home\\anna\\" on Windows.
std::string AbsolutePath(std::string_view posix_path);

/// `path` with this platform's separator for every '/': "sub/a.txt" as it stands on Linux,
/// "sub\\a.txt" on Windows.
std::string NativeSeparators(std::string_view path);

/// The names of values set in this order, in the order `hive` enumerates them: the same order
/// on Linux and Windows, name order in Wine's registry (which keeps values sorted).
std::vector<std::string> InHiveOrder(RegistryHive& hive,
                                     std::vector<std::string> names_in_set_order);

/// A fixture with its own temporary folder, into which XDG_CONFIG_HOME,
/// XDG_STATE_HOME, XDG_RUNTIME_DIR and XDG_DATA_HOME (the trash) point for the length of
/// the test.
class TempDirTest : public ::testing::Test {
 protected:
  /// Makes the temporary folder, so that members of a test's fixture can already name paths
  /// in it.
  TempDirTest();
  /// Removes the temporary folder (and the test's registry hive) once everything the test
  /// opened in it is gone.
  ~TempDirTest() override;
  void SetUp() override;
  void TearDown() override;

  /// The temporary folder, without trailing separator.
  std::string Dir() const { return dir_; }
  /// A path inside the temporary folder; '/' in `relative` stands for the platform's separator.
  std::string PathOf(const std::string& relative) const;
  /// The home trash of the test (below XDG_DATA_HOME), without trailing separator.
  std::string TrashDir() const { return PathOf("xdg/3/Trash"); }
  /// Writes a file (creating its folders) and returns its path.
  std::string WriteFile(const std::string& relative, const std::string& content) const;
  /// A registry hive of the test's own (registry.sqlite in the temporary folder;
  /// every call opens another connection to it, as another process would). Null,
  /// with a failure recorded, when it cannot be opened.
  std::unique_ptr<RegistryHive> OpenTestHive() const;
  /// The content of a file, empty when it cannot be read.
  static std::string ReadFile(const std::string& path);

 private:
  std::string dir_;
  std::string saved_[4];
  bool had_[4] = {false, false, false, false};
};

}  // namespace parvolind::testing
