#include "store/settings.h"

#include <gtest/gtest.h>

#include <memory>

#include "refusing_hive.h"
#include "store/registry_key.h"
#include "store/registry_error_of.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class SettingsTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
  }

  void Store(std::string_view name, RegType type, std::string data) {
    RegKey key = 0;
    ASSERT_EQ(hive_->OpenKey(kProgramKeyPath, true, &key), RegStatus::kOk);
    ASSERT_EQ(hive_->SetValue(key, name, RegValue{type, std::move(data)}), RegStatus::kOk);
    hive_->CloseKey(key);
  }
  void StoreDword(std::string_view name, uint32_t value) {
    Store(name, RegType::kDword,
          std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF),
                      static_cast<char>(value >> 16 & 0xFF), static_cast<char>(value >> 24)});
  }
  // The stored integer, or -1 when the value is missing.
  int Stored(std::string_view name) {
    RegistryKey key(*hive_);
    key.OpenForReading(kProgramKeyPath);
    return key.ValueExists(name) ? key.ReadInteger(name) : -1;
  }
  bool ProgramKeyExists() {
    RegistryKey key(*hive_);
    return key.OpenForReading(kProgramKeyPath);
  }

  std::unique_ptr<RegistryHive> hive_;
};

using testing::ErrorOf;

TEST_F(SettingsTest, FirstStartGivesTheDefaultsAndWritesNothing) {
  Settings settings(*hive_);
  settings.Load();
  EXPECT_FALSE(settings.start_minimized());
  EXPECT_TRUE(settings.animated_icon());
  EXPECT_TRUE(settings.logfile());
  EXPECT_TRUE(settings.trash());
  EXPECT_EQ(settings.buffer_kilobytes(), 128);
  EXPECT_EQ(settings.copy_buffer_size(), 131071);
  EXPECT_FALSE(ProgramKeyExists());
  RegKey key = 0;
  EXPECT_EQ(hive_->OpenKey("\\Software", false, &key), RegStatus::kNotFound);
}

TEST_F(SettingsTest, LoadWritesBackMinimizedAndValidSizesOnly) {
  StoreDword("Minimized", 5);
  StoreDword("AnimatedIcon", 0);
  StoreDword("Logfile", 0);
  StoreDword("BufferSize", 100);
  // The two read-only values must not be written: a refusing store proves it.
  testing::RefusingHive refusing(*hive_);
  refusing.refused = {"AnimatedIcon", "Logfile"};
  Settings settings(refusing);
  settings.Load();
  EXPECT_TRUE(settings.start_minimized());
  EXPECT_EQ(Stored("Minimized"), 1);
  EXPECT_FALSE(settings.animated_icon());
  EXPECT_FALSE(settings.logfile());
  EXPECT_EQ(settings.buffer_kilobytes(), 128);
  EXPECT_EQ(settings.copy_buffer_size(), 131071);
  EXPECT_EQ(Stored("BufferSize"), 100);  // stays until the user picks a size

  StoreDword("Minimized", 0);
  StoreDword("BufferSize", 512);
  refusing.refused = {"AnimatedIcon", "Logfile", "BufferSize"};
  Settings refused(refusing);
  EXPECT_EQ(ErrorOf([&] { refused.Load(); }), "Fehler beim Setzen der Daten für 'BufferSize'");
  EXPECT_FALSE(refused.start_minimized());
  EXPECT_EQ(refused.buffer_kilobytes(), 512);
  EXPECT_EQ(refused.copy_buffer_size(), 131071);

  Settings loaded(*hive_);
  loaded.Load();
  EXPECT_FALSE(loaded.start_minimized());
  EXPECT_EQ(Stored("Minimized"), 0);
  EXPECT_EQ(loaded.buffer_kilobytes(), 512);
  EXPECT_EQ(loaded.copy_buffer_size(), 524287);
}

TEST_F(SettingsTest, AWrongTypeStopsTheLoad) {
  StoreDword("Minimized", 1);
  Store("AnimatedIcon", RegType::kSz, std::string("0\0", 2));
  StoreDword("Logfile", 0);
  StoreDword("BufferSize", 32);
  Settings settings(*hive_);
  EXPECT_EQ(ErrorOf([&] { settings.Load(); }), "Ungültiger Datentyp für 'AnimatedIcon'");
  EXPECT_TRUE(settings.start_minimized());  // the step before ran
  EXPECT_TRUE(settings.logfile());          // the steps after did not
  EXPECT_EQ(settings.buffer_kilobytes(), 128);
  EXPECT_EQ(settings.copy_buffer_size(), 131071);

  Store("AnimatedIcon", RegType::kDword, std::string("\0\0\0\0", 4));
  Store("BufferSize", RegType::kBinary, std::string(4, '\0'));
  Settings second(*hive_);
  EXPECT_EQ(ErrorOf([&] { second.Load(); }), "Ungültiger Datentyp für 'BufferSize'");
  EXPECT_FALSE(second.logfile());
}

TEST_F(SettingsTest, MenuCommandsWriteTheirValue) {
  Settings settings(*hive_);
  settings.ToggleAnimatedIcon();
  EXPECT_FALSE(settings.animated_icon());
  EXPECT_EQ(Stored("AnimatedIcon"), 0);
  settings.ToggleAnimatedIcon();
  EXPECT_EQ(Stored("AnimatedIcon"), 1);
  settings.ToggleLogfile();
  EXPECT_FALSE(settings.logfile());
  EXPECT_EQ(Stored("Logfile"), 0);
  settings.ToggleTrash();
  EXPECT_FALSE(settings.trash());
  EXPECT_EQ(Stored("Trash"), 0);
  Settings reloaded(*hive_);
  reloaded.Load();
  EXPECT_FALSE(reloaded.trash());
  settings.ChooseStartMinimized();
  EXPECT_EQ(Stored("Minimized"), 1);
  settings.ChooseShowWindow();
  EXPECT_FALSE(settings.start_minimized());
  EXPECT_EQ(Stored("Minimized"), 0);

  const std::pair<int, int32_t> sizes[] = {
      {32, 32767}, {64, 65535}, {128, 131071}, {256, 262143}, {512, 524287}};
  for (const auto& [kilobytes, bytes] : sizes) {
    settings.ChooseBufferSize(kilobytes);
    EXPECT_EQ(settings.buffer_kilobytes(), kilobytes);
    EXPECT_EQ(settings.copy_buffer_size(), bytes);
    EXPECT_EQ(Settings::CopyBufferSizeFor(kilobytes), bytes);
    EXPECT_EQ(Stored("BufferSize"), kilobytes);
  }
  settings.ChooseBufferSize(512);  // the checked size again: written again
  EXPECT_EQ(Stored("BufferSize"), 512);
  EXPECT_THROW(settings.ChooseBufferSize(100), std::invalid_argument);
  EXPECT_EQ(settings.buffer_kilobytes(), 512);
}

TEST_F(SettingsTest, ARefusedWriteKeepsTheCheckButNotTheBuffer) {
  testing::RefusingHive refusing(*hive_);
  refusing.refused = {"BufferSize", "Logfile"};
  Settings settings(refusing);
  EXPECT_EQ(ErrorOf([&] { settings.ChooseBufferSize(256); }),
            "Fehler beim Setzen der Daten für 'BufferSize'");
  EXPECT_EQ(settings.buffer_kilobytes(), 256);
  EXPECT_EQ(settings.copy_buffer_size(), 131071);
  EXPECT_EQ(ErrorOf([&] { settings.ToggleLogfile(); }),
            "Fehler beim Setzen der Daten für 'Logfile'");
  EXPECT_FALSE(settings.logfile());
  // The refused writes left no half-made keys behind.
  EXPECT_FALSE(ProgramKeyExists());

  settings.ChooseStartMinimized();  // other values are still written
  EXPECT_EQ(Stored("Minimized"), 1);
}

}  // namespace
}  // namespace parvolind
