// Runs on real FAT and exFAT file systems, mounted as a USB stick would be: coarse times, no
// links, a trash of the stick's own, a stick that is pulled out.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/log_writer.h"
#include "engine/recording_host.h"
#include "engine/synchronisation_run.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/run_lock.h"
#include "store/job_store.h"
#include "support/removable_drive.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

constexpr int64_t kSecond = 1000000000;
// 2025-12-06 05:46:40.123456789 UTC: a time with a fraction finer than any stick keeps.
constexpr int64_t kBaseTime = int64_t{1765000001} * kSecond + 123456789;

class RemovableDriveTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    fs_ = CreateFileSystem();
    locale_ = CreateLocale("de_DE");
    locks_ = CreateRunLocks(PathOf("locks"));
    stick_ = PathOf("stick");
  }

  // Plugs in a fresh stick of the kind on "stick"; false (the test then skips) where this
  // machine cannot.
  bool Plug(testing::RemovableDrive::Kind kind) {
    drive_ = std::make_unique<testing::RemovableDrive>(kind, PathOf("stick.img"), stick_);
    return drive_->Plug(&why_);
  }

  void Save(const std::string& name, const std::string& dir1, const std::string& dir2, bool both,
            bool delete_others) {
    JobDefinition job;
    job.Name = name;
    job.Dir1 = dir1;
    job.Dir2 = dir2;
    job.SubDirs = true;
    job.DirDown = true;
    job.DirUp = both;
    job.CritAll = false;
    job.CritNew = true;
    job.DelOthers = delete_others;
    JobStore(*hive_, clock_, *locale_).SaveJob(job, "", [](const std::string&) { return 0.0; });
  }

  RunResult Run(const std::string& name) {
    LogWriter log(PathOf("parvolind.log"), *fs_, host_, host_.Logging(), clock_, *locale_);
    SynchronisationRun run(
        *hive_, *fs_, host_, host_.control, log, clock_, *locale_,
        [](const std::string&) { return 0.0; }, *locks_);
    return run.ExecuteSynchronisation(name, host_.options);
  }

  // A file whose last write lies `seconds` after kBaseTime.
  void Put(const std::string& relative, const std::string& content, int seconds) {
    const std::string path = WriteFile(relative, content);
    const int64_t ns = kBaseTime + seconds * kSecond;
    ASSERT_EQ(fs_->SetTimes(path, ns, ns), 0);
  }

  bool LogHas(const std::string& line) const {
    return ReadFile(PathOf("parvolind.log")).find(line + "\r\n") != std::string::npos;
  }

  // One-way and both-ways jobs onto the stick: the second run of an unchanged tree copies
  // nothing, a file changed later still is copied.
  void ExpectUnchangedFilesStay() {
    for (int i = 0; i < 5; ++i) Put("home/f" + std::to_string(i), "data", 2 * i + 1);
    Put("home/sub/deep", "deep", 3);
    Save("Oneway", PathOf("home"), stick_ + "/backup", false, true);
    EXPECT_EQ(Run("Oneway").files, 6);
    EXPECT_EQ(Run("Oneway").files, 0);
    Put("home/f2", "DATA", 60);
    EXPECT_EQ(Run("Oneway").files, 1);
    EXPECT_EQ(ReadFile(stick_ + "/backup/f2"), "DATA");

    Put("mine/a", "a", 1);
    Put("stick/both/b", "b", 3);
    Save("Both", PathOf("mine"), stick_ + "/both", true, false);
    EXPECT_EQ(Run("Both").files, 2);
    EXPECT_EQ(Run("Both").files, 0);
    Put("stick/both/b", "B", 60);
    const RunResult changed = Run("Both");
    EXPECT_EQ(changed.files, 1);
    EXPECT_EQ(changed.failed_files, 0);
    EXPECT_EQ(ReadFile(PathOf("mine/b")), "B");
  }

  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Locale> locale_;
  std::unique_ptr<RunLocks> locks_;
  std::unique_ptr<testing::RemovableDrive> drive_;
  testing::FakeClock clock_;
  testing::RecordingHost host_;
  std::string stick_;
  std::string why_;
};

TEST_F(RemovableDriveTest, ExfatStickCopiesUnchangedFilesOnlyOnce) {
  if (!Plug(testing::RemovableDrive::Kind::kExfat)) GTEST_SKIP() << "exFAT stick: " << why_;
  ExpectUnchangedFilesStay();
}

TEST_F(RemovableDriveTest, FatStickCopiesUnchangedFilesOnlyOnce) {
  if (!Plug(testing::RemovableDrive::Kind::kFat)) GTEST_SKIP() << "FAT stick: " << why_;
  ExpectUnchangedFilesStay();
}

TEST_F(RemovableDriveTest, ExfatStickKeepsReplacedAndDeletedFilesInItsTrash) {
  if (!Plug(testing::RemovableDrive::Kind::kExfat)) GTEST_SKIP() << "exFAT stick: " << why_;
  host_.options.trash = true;
  // The job's root is the stick's top folder, where its trash lies too.
  Save("Stick", PathOf("home"), stick_, false, true);
  Put("home/a", "old", 1);
  Put("stick/surplus", "surplus", 1);
  EXPECT_EQ(Run("Stick").failed_files, 0);
  Put("home/a", "new", 60);
  EXPECT_EQ(Run("Stick").files, 1);

  const std::string trash = stick_ + "/.Trash-" + std::to_string(getuid());
  EXPECT_EQ(ReadFile(stick_ + "/a"), "new");
  EXPECT_EQ(ReadFile(trash + "/files/a"), "old");
  EXPECT_EQ(ReadFile(trash + "/files/surplus"), "surplus");
  EXPECT_NE(ReadFile(trash + "/info/a.trashinfo").find("\nPath=a\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(TrashDir() + "/files/a"));  // not the home trash

  // The trash is never synchronised: both ways, nothing of it reaches the other side.
  Save("Back", PathOf("home"), stick_, true, false);
  Run("Back");
  EXPECT_FALSE(std::filesystem::exists(PathOf("home/.Trash-" + std::to_string(getuid()))));
  EXPECT_FALSE(std::filesystem::exists(PathOf("home/surplus")));
}

TEST_F(RemovableDriveTest, StickThatIsPulledOutGetsNothingWrittenInItsPlace) {
  if (!Plug(testing::RemovableDrive::Kind::kExfat)) GTEST_SKIP() << "exFAT stick: " << why_;
  Put("home/a", "a", 1);
  Save("Stick", PathOf("home"), stick_ + "/backup", false, true);
  EXPECT_EQ(Run("Stick").files, 1);
  ASSERT_TRUE(drive_->Unplug());

  Put("home/b", "b", 1);
  const RunResult missing = Run("Stick");
  EXPECT_EQ(missing.outcome, RunOutcome::kFailed);
  EXPECT_TRUE(LogHas("Fehler:       " + stick_ +
                     "/backup/ ist nicht verfügbar. Ist der Datenträger angeschlossen?"));
  EXPECT_TRUE(std::filesystem::is_empty(stick_));  // the empty mount folder stays empty

  ASSERT_TRUE(drive_->Plug(&why_)) << why_;
  EXPECT_EQ(Run("Stick").files, 1);
  EXPECT_EQ(ReadFile(stick_ + "/backup/b"), "b");
  EXPECT_EQ(ReadFile(stick_ + "/backup/a"), "a");
}

}  // namespace
}  // namespace parvolind
