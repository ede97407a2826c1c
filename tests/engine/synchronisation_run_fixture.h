#pragma once

// What the tests of the synchronisation run share: a window stand-in and a fixture with a job
// store, the machine's file system and run locks in the test's own folder.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/log_writer.h"
#include "engine/synchronisation_run.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/job_store.h"
#include "store/registry_key.h"
#include "support/test_environment.h"

namespace parvolind::testing {

inline constexpr DateTime kNextSync = 46400.75;
// 2025-12-06 05:46:40 UTC: a moment for file times, far from any zone change.
inline constexpr int64_t kBaseSeconds = 1765000000;
inline constexpr int64_t kSecond = 1000000000;

/// A window stand-in that keeps what the run shows, holds its control and options, and
/// lets a test act inside ProcessEvents().
class FakeRunHost : public ProgressSink {
 public:
  void SetLabel(ProgressLabel label, std::string_view text) override {
    labels[static_cast<int>(label)] = std::string(text);
    if (label == ProgressLabel::kAction) actions.emplace_back(text);
  }
  int LabelWidth(ProgressLabel) const override { return 100000; }
  int TextWidth(ProgressLabel, std::string_view text) const override {
    return static_cast<int>(text.size());
  }
  void SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) override {
    Bar& b = bars[static_cast<int>(bar)];
    b.minimum = minimum;
    b.maximum = maximum;
  }
  void SetBarValue(ProgressBar bar, int64_t value) override {
    Bar& b = bars[static_cast<int>(bar)];
    if (value >= b.minimum && value <= b.maximum) b.value = value;
  }
  void ShowProgressPanel(bool visible) override { panel_visible = visible; }
  void ProcessEvents() override {
    if (on_events) on_events(*this);
  }
  void ShowFailureMessage(std::string_view text) override { failures.emplace_back(text); }
  void SetIconAnimation(bool on) override { icon_cycling = on; }
  std::function<bool()> Logging() {
    return [this] { return logging; };
  }

  bool ActionSeen(std::string_view part) const {
    for (const std::string& action : actions) {
      if (action.find(part) != std::string::npos) return true;
    }
    return false;
  }

  struct Bar {
    int64_t minimum = 0;
    int64_t maximum = 100;
    int64_t value = 0;
  };
  Bar bars[2];
  std::string labels[4];
  std::vector<std::string> actions;
  std::vector<std::string> failures;
  std::function<void(FakeRunHost&)> on_events;
  RunControl control;
  RunOptions options{.copy_buffer_size = 131071, .animated_icon = true};
  bool panel_visible = false;
  bool icon_cycling = false;
  bool logging = true;
};

class SynchronisationRunTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    fs_ = CreateFileSystem();
    locale_ = CreateLocale("de_DE");
    locks_ = CreateRunLocks(PathOf("locks"));
    dir1_ = PathOf("one");
    dir2_ = PathOf("two");
  }

  /// A one-way job from "one" to "two", criterion "new and changed", no CRC, no deletion.
  JobDefinition BaseJob() const {
    JobDefinition job;
    job.Name = "Demo";
    job.Dir1 = dir1_;
    job.Dir2 = dir2_;
    job.DirDown = true;
    job.CritAll = false;
    job.CritNew = true;
    job.CRC32 = false;
    job.DelOthers = false;
    return job;
  }

  void Save(const JobDefinition& job) {
    JobStore store(*hive_, clock_, *locale_);
    store.SaveJob(job, "", [](const std::string&) { return 0.0; });
  }

  RunResult Run(const std::string& name = "Demo", FileSystem* fs = nullptr) {
    LogWriter log(PathOf("parvolind.log"), *fs_, host_, host_.Logging(), clock_, *locale_);
    SynchronisationRun run(
        *hive_, fs != nullptr ? *fs : *fs_, host_, host_.control, log, clock_, *locale_,
        [this](const std::string&) {
          ++job_date_calls_;
          return kNextSync;
        },
        *locks_);
    return run.ExecuteSynchronisation(name, host_.options);
  }

  /// Writes a file below the temporary folder with a last-write time of
  /// kBaseSeconds + `seconds`.
  std::string Put(const std::string& relative, const std::string& content, int64_t seconds) {
    const std::string path = WriteFile(relative, content);
    const int64_t ns = (kBaseSeconds + seconds) * kSecond;
    EXPECT_EQ(fs_->SetTimes(path, ns, ns), 0);
    return path;
  }

  int64_t MtimeOf(const std::string& relative) { return fs_->Stat(PathOf(relative)).mtime_ns; }
  bool Exists(const std::string& relative) { return fs_->LinkStatus(PathOf(relative)).exists; }

  std::vector<std::string> LogLines() const {
    const std::string log = ReadFile(PathOf("parvolind.log"));
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = log.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
      lines.push_back(log.substr(begin, end - begin));
    }
    return lines;
  }

  bool LogHas(const std::string& line) const {
    for (const std::string& l : LogLines()) {
      if (l == line) return true;
    }
    return false;
  }

  std::string Execution(const std::string& name = "Demo") {
    RegistryKey key(*hive_);
    key.OpenForReading(std::string(kJobsKeyPrefix) + name);
    return key.ReadString("Execution");
  }

  DateTime NextSync(const std::string& name = "Demo") {
    RegistryKey key(*hive_);
    key.OpenForReading(std::string(kJobsKeyPrefix) + name);
    return key.ReadDateTime("NextSync");
  }

  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Locale> locale_;
  std::unique_ptr<RunLocks> locks_;
  FakeClock clock_;
  FakeRunHost host_;
  std::string dir1_;
  std::string dir2_;
  int job_date_calls_ = 0;
};

inline const std::string kInnerRule(73, '-');

}  // namespace parvolind::testing
