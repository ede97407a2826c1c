// A preview makes every decision of the run and changes nothing: its actions are exactly those
// of the run that follows it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/faulty_file_system.h"
#include "engine/log_writer.h"
#include "engine/recording_host.h"
#include "engine/run_action.h"
#include "engine/synchronisation_run.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/path_rules.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/hive_dump.h"
#include "store/job_store.h"
#include "store/registry_key.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

namespace stdfs = std::filesystem;

constexpr int64_t kBaseSeconds = 1765000000;
constexpr int64_t kSecond = 1000000000;

class ActionList : public ActionSink {
 public:
  void Report(const RunAction& action) override { actions.push_back(action); }
  std::vector<RunAction> actions;
};

// Everything below `root` a run could change: names, kinds, sizes, times, permissions, content.
std::string Snapshot(const std::string& root,
                     const std::function<std::string(const std::string&)>& read) {
  std::map<std::string, std::string> entries;
  std::error_code error;
  if (!stdfs::exists(root, error)) return "<none>";
  for (auto it = stdfs::recursive_directory_iterator(root, error);
       it != stdfs::recursive_directory_iterator(); it.increment(error)) {
    const stdfs::path& path = it->path();
    const stdfs::file_status status = it->symlink_status();
    std::string line = std::to_string(static_cast<int>(status.type())) + " " +
                       std::to_string(static_cast<unsigned>(status.permissions()));
    if (stdfs::is_regular_file(status)) {
      line += " " + std::to_string(stdfs::last_write_time(path).time_since_epoch().count()) + " " +
              read(path.string());
    }
    entries[path.string()] = line;
  }
  std::string dump;
  for (const auto& [path, line] : entries) dump += path + ": " + line + "\n";
  return dump;
}

class RunPreviewTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    fs_ = CreateFileSystem();
    locale_ = CreateLocale("de_DE");
    locks_ = CreateRunLocks(PathOf("locks"));
  }

  void Save(const JobDefinition& job) {
    JobStore(*hive_, clock_, *locale_).SaveJob(job, "", [](const std::string&) { return 0.0; });
  }

  std::string Put(const std::string& relative, const std::string& content, int64_t seconds) {
    const std::string path = WriteFile(relative, content);
    const int64_t ns = (kBaseSeconds + seconds) * kSecond;
    EXPECT_EQ(fs_->SetTimes(path, ns, ns), 0);
    return path;
  }

  RunResult Go(const std::string& name, ActionList& actions, bool preview,
               FileSystem* fs = nullptr) {
    LogWriter log(PathOf("parvolind.log"), *fs_, host_, host_.Logging(), clock_, *locale_);
    SynchronisationRun run(
        *hive_, fs != nullptr ? *fs : *fs_, host_, host_.control, log, clock_, *locale_,
        [](const std::string&) { return 46400.75; }, *locks_);
    if (preview) return run.PreviewSynchronisation(name, host_.options, actions);
    run.SetActionSink(&actions);
    return run.ExecuteSynchronisation(name, host_.options);
  }

  // What the preview changed: the trees, the trash, the log, the store.
  std::string World(const std::string& a, const std::string& b) {
    const auto read = [](const std::string& path) { return ReadFile(path); };
    return Snapshot(a, read) + Snapshot(b, read) + Snapshot(TrashDir(), read) +
           ReadFile(PathOf("parvolind.log")) +
           testing::DumpHiveTree(*hive_, "Software\\Orbelt\\Parvolind");
  }

  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Locale> locale_;
  std::unique_ptr<RunLocks> locks_;
  testing::FakeClock clock_;
  testing::RecordingHost host_;
};

TEST_F(RunPreviewTest, ListsExactlyWhatTheFollowingRunDoesAndChangesNothing) {
  int case_number = 0;
  std::set<RunActionKind> seen;
  for (const int mode : {0, 1, 2}) {
    for (const bool both : {false, true}) {
      for (const bool delete_others : {false, true}) {
        for (const bool crc : {false, true}) {
          if (crc && mode != 1) continue;  // the checksum counts only for new and changed files
          const std::string name = "Fall" + std::to_string(++case_number);
          SCOPED_TRACE(name + " mode " + std::to_string(mode) + (both ? " both" : " one") +
                       (delete_others ? " del" : "") + (crc ? " crc" : ""));
          const std::string one = name + "/one/";
          const std::string two = name + "/two/";
          Put(one + "only-one.txt", "1", 0);
          Put(two + "only-two.txt", "22", 0);
          Put(one + "sub/newer-one.txt", "new", 100);
          Put(two + "sub/newer-one.txt", "old", 0);
          Put(one + "newer-two.txt", "old", 0);
          Put(two + "newer-two.txt", "newer", 100);
          Put(one + "same.txt", "same", 50);
          Put(two + "same.txt", "same", 50);
          // Equal times, other content: a conflict where both sides are worked on.
          Put(one + "clash.txt", "left", 60);
          Put(two + "clash.txt", "right", 60);
          Put(one + "checksum.txt", "abcd", 70);
          Put(two + "checksum.txt", "abcd", 10);

          JobDefinition job;
          job.Name = name;
          job.Dir1 = PathOf(one);
          job.Dir2 = PathOf(two);
          job.DirDown = true;
          job.DirUp = both;
          job.CritAll = mode == 0;
          job.CritNew = mode == 1;
          job.CritNewer = mode == 2;
          job.DelOthers = delete_others;
          job.CRC32 = crc;
          Save(job);

          const std::string before = World(PathOf(one), PathOf(two));
          ActionList previewed;
          const RunResult preview = Go(name, previewed, true);
          EXPECT_EQ(preview.outcome, RunOutcome::kCompleted);
          EXPECT_EQ(World(PathOf(one), PathOf(two)), before);
          EXPECT_FALSE(previewed.actions.empty());

          ActionList done;
          const RunResult run = Go(name, done, false);
          EXPECT_EQ(run.outcome, RunOutcome::kCompleted);
          EXPECT_EQ(previewed.actions, done.actions);
          for (const RunAction& action : done.actions) seen.insert(action.kind);
          EXPECT_EQ(preview.files, run.files);
          EXPECT_EQ(preview.failed_files, run.failed_files);
          // What the run did is what it reported.
          for (const RunAction& action : done.actions) {
            if (action.kind == RunActionKind::kCopy || action.kind == RunActionKind::kReplace) {
              EXPECT_EQ(ReadFile(action.target), ReadFile(action.source)) << action.target;
            } else if (action.kind == RunActionKind::kDelete) {
              EXPECT_FALSE(fs_->LinkStatus(action.target).exists) << action.target;
            }
          }
          // Once in step, a second preview finds only what stays different.
          ActionList after;
          Go(name, after, true);
          for (const RunAction& action : after.actions) {
            if (mode == 1) {
              EXPECT_NE(action.kind, RunActionKind::kCopy) << action.target;
            }
          }
        }
      }
    }
  }
  // The cases met every kind of decision.
  EXPECT_EQ(seen, (std::set<RunActionKind>{RunActionKind::kCopy, RunActionKind::kReplace,
                                           RunActionKind::kDelete, RunActionKind::kConflict}));
}

TEST_F(RunPreviewTest, BothWaysDoesNotCopyBackWhatTheFirstPassCopied) {
  Put("one/a.txt", "a", 0);
  Put("one/b.txt", "b", 0);
  Put("two/b.txt", "bb", 100);
  Put("two/c.txt", "c", 0);
  JobDefinition job;
  job.Name = "Beide";
  job.Dir1 = PathOf("one");
  job.Dir2 = PathOf("two");
  job.DirDown = job.DirUp = true;
  job.CritAll = false;
  job.CritNew = true;
  job.CRC32 = false;
  Save(job);
  ActionList previewed;
  ASSERT_EQ(Go("Beide", previewed, true).outcome, RunOutcome::kCompleted);
  std::vector<std::string> lines;
  for (const RunAction& action : previewed.actions) {
    lines.push_back(std::string(action.kind == RunActionKind::kCopy ? "copy " : "replace ") +
                    action.source.substr(Dir().size()) + " " + action.target.substr(Dir().size()));
  }
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "copy " + sep + "one" + sep + "a.txt " + sep + "two" + sep + "a.txt",
                       "replace " + sep + "two" + sep + "b.txt " + sep + "one" + sep + "b.txt",
                       "copy " + sep + "two" + sep + "c.txt " + sep + "one" + sep + "c.txt"}));
  EXPECT_EQ(previewed.actions[0].bytes, 1);
}

TEST_F(RunPreviewTest, IsRefusedForARunningJobAndStopsWhenCancelled) {
  Put("one/a.txt", "a", 0);
  JobDefinition job;
  job.Name = "Demo";
  job.Dir1 = PathOf("one");
  job.Dir2 = PathOf("two");
  job.DirDown = true;
  Save(job);
  const std::string before = World(PathOf("one"), PathOf("two"));

  std::unique_ptr<RunLock> held;
  ASSERT_EQ(locks_->TryLock("Demo", &held), RunLockStatus::kAcquired);
  ActionList refused;
  const RunResult locked = Go("Demo", refused, true);
  EXPECT_EQ(locked.outcome, RunOutcome::kFailed);
  EXPECT_EQ(locked.failure_reason, "Auftrag wird bereits durchgeführt.");
  held.reset();
  host_.control.SetRunInProgress(true);
  EXPECT_EQ(Go("Demo", refused, true).outcome, RunOutcome::kFailed);
  host_.control.SetRunInProgress(false);
  EXPECT_TRUE(refused.actions.empty());

  host_.on_process_events = [this](int) { host_.control.SetCancelRequested(true); };
  ActionList cancelled;
  EXPECT_EQ(Go("Demo", cancelled, true).outcome, RunOutcome::kCancelled);
  EXPECT_FALSE(host_.control.CancelRequested());
  EXPECT_FALSE(host_.control.RunInProgress());
  EXPECT_EQ(World(PathOf("one"), PathOf("two")), before);
}

TEST_F(RunPreviewTest, GoesByTheTimesTheLastRunFoundTheReceivingSideKeeps) {
  // The receiving side keeps times only to two seconds (as FAT does), so the run found after
  // its last copy: a sending file one second newer is the same there. The preview writes no
  // probe file to find that out, it goes by what the run kept.
  Put("one/a.txt", "same", 0);
  JobDefinition job;
  job.Name = "Stick";
  job.Dir1 = PathOf("one");
  job.Dir2 = PathOf("two");
  job.DirDown = true;
  job.CritAll = false;
  job.CritNew = true;
  job.CRC32 = false;
  Save(job);
  ActionList first;
  ASSERT_EQ(Go("Stick", first, false).outcome, RunOutcome::kCompleted);
  RegistryKey key(*hive_);
  ASSERT_TRUE(key.OpenForWriting(std::string(kJobsKeyPrefix) + "Stick", false));
  EXPECT_EQ(key.ReadInteger("TimeStep2"), 1);  // this file system keeps nanoseconds
  Put("one/a.txt", "same", 1);
  ActionList fine;
  Go("Stick", fine, true);
  EXPECT_EQ(fine.actions.size(), 1u);
  key.WriteInteger("TimeStep2", 2000);
  ActionList coarse;
  Go("Stick", coarse, true);
  EXPECT_TRUE(coarse.actions.empty());
}

TEST_F(RunPreviewTest, ReportsWhatTheRunCouldNotReadAsItsErrorsOnACoarseDrive) {
  // The receiving drive keeps times to two seconds; a sending folder and a sending file cannot
  // be read.
  testing::FaultyFileSystem faulty(*fs_);
  faulty.time_step_ns = 2000 * int64_t{1000000};
  const std::string sep(1, kPathSeparator);
  faulty.failing_directory = sep + "one" + sep + "locked" + sep;
  faulty.entries_before_failure = -1;
  faulty.failing_open = "unreadable.txt";
  faulty.creation_allowed_below = Dir();
  JobDefinition job;
  job.Name = "Grob";
  job.Dir1 = PathOf("one");
  job.Dir2 = PathOf("two");
  job.DirDown = true;
  job.CritAll = false;
  job.CritNew = true;
  job.CRC32 = false;
  job.DelOthers = true;
  Save(job);
  ActionList none;
  ASSERT_EQ(Go("Grob", none, false, &faulty).outcome, RunOutcome::kCompleted);

  Put("one/same.txt", "abc", 1);  // one second newer: the same on this drive
  Put("two/same.txt", "xyz", 0);
  Put("one/unreadable.txt", "u", 0);
  Put("one/locked/inside.txt", "i", 0);
  Put("two/locked/inside.txt", "i", 0);  // kept: the sending side may hold it
  Put("two/surplus.txt", "s", 0);
  const std::string before = World(PathOf("one"), PathOf("two"));
  ActionList previewed;
  const RunResult preview = Go("Grob", previewed, true, &faulty);
  EXPECT_EQ(World(PathOf("one"), PathOf("two")), before);
  ActionList done;
  const RunResult run = Go("Grob", done, false, &faulty);
  EXPECT_EQ(previewed.actions, done.actions);
  EXPECT_EQ(preview.failed_files, run.failed_files);
  EXPECT_EQ(preview.failed_files, 2);
  std::multiset<RunActionKind> kinds;
  for (const RunAction& action : previewed.actions) kinds.insert(action.kind);
  EXPECT_EQ(kinds, (std::multiset<RunActionKind>{RunActionKind::kCopy, RunActionKind::kDelete,
                                                 RunActionKind::kError, RunActionKind::kError}));
  EXPECT_EQ(ReadFile(PathOf("two/same.txt")), "xyz");
  EXPECT_EQ(ReadFile(PathOf("two/locked/inside.txt")), "i");
}

}  // namespace
}  // namespace parvolind
