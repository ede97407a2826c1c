#include "engine/synchronisation_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/faulty_file_system.h"
#include "engine/file_transfer.h"
#include "engine/synchronisation_run_fixture.h"
#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

using testing::FakeRunHost;
using testing::kBaseSeconds;
using testing::kInnerRule;
using testing::kNextSync;
using testing::kSecond;
using testing::SynchronisationRunTest;

TEST_F(SynchronisationRunTest, NamesDifferingInCaseAreTwoFiles) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  Put("one/A.TXT", "upper", 0);
  Put("two/a.txt", "lower", 0);
  Run();
  EXPECT_EQ(ReadFile(PathOf("two/A.TXT")), "upper");
  EXPECT_FALSE(Exists("two/a.txt"));
}

TEST_F(SynchronisationRunTest, DriveThatIsNotPluggedInFailsTheRunAndGetsNothing) {
  testing::FaultyFileSystem faulty(*fs_);
  faulty.creation_allowed_below = Dir();
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  job.Dir2 = "/media/parvolind-absent-drive/backup";
  Save(job);
  Put("one/a.txt", "a", 0);
  RunResult result = Run("Demo", &faulty);
  EXPECT_EQ(result.outcome, RunOutcome::kFailed);
  EXPECT_TRUE(faulty.created_folders.empty());
  EXPECT_TRUE(
      LogHas("Fehler:       /media/parvolind-absent-drive/backup/ ist nicht verfügbar. "
             "Ist der Datenträger angeschlossen?"));

  // A drive mounted on "stick": the run remembers it, and notices when it is gone, also when
  // only the empty folder it was mounted on is left.
  job.Name = "Stick";
  job.Dir2 = PathOf("stick/backup");
  Save(job);
  std::filesystem::create_directory(PathOf("stick"));
  faulty.mount_points[PathOf("stick")] = PathOf("stick");
  EXPECT_EQ(Run("Stick", &faulty).outcome, RunOutcome::kCompleted);
  {
    RegistryKey key(*hive_);
    key.OpenForReading(std::string(kJobsKeyPrefix) + "Stick");
    EXPECT_EQ(key.ReadString("Mount2"), PathOf("stick") + "/");
  }
  faulty.mount_points.erase(PathOf("stick"));
  Put("one/b.txt", "b", 0);
  const std::string line = "Fehler:       " + PathOf("stick/backup") +
                           "/ ist nicht verfügbar. Ist der Datenträger angeschlossen?";
  EXPECT_EQ(Run("Stick", &faulty).outcome, RunOutcome::kFailed);
  EXPECT_FALSE(Exists("stick/backup/b.txt"));
  std::filesystem::remove_all(PathOf("stick/backup"));
  faulty.created_folders.clear();
  EXPECT_EQ(Run("Stick", &faulty).outcome, RunOutcome::kFailed);
  EXPECT_TRUE(faulty.created_folders.empty());
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 2);

  faulty.mount_points[PathOf("stick")] = PathOf("stick");
  EXPECT_EQ(Run("Stick", &faulty).files, 2);
  EXPECT_EQ(ReadFile(PathOf("stick/backup/b.txt")), "b");
}

TEST_F(SynchronisationRunTest, TrashKeepsWhatTheRunDeletesOrReplaces) {
  JobDefinition job = BaseJob();
  job.CritAll = true;
  job.DelOthers = true;
  Save(job);
  host_.options.trash = true;
  Put("one/a.txt", "new a", 10);
  Put("two/a.txt", "old a", 0);
  Put("two/sub/gone.txt", "gone", 0);
  EXPECT_EQ(Run().failed_files, 0);
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "new a");
  EXPECT_FALSE(Exists("two/sub/gone.txt"));
  EXPECT_EQ(ReadFile(TrashDir() + "/files/a.txt"), "old a");
  EXPECT_EQ(ReadFile(TrashDir() + "/files/gone.txt"), "gone");
  const std::string info = ReadFile(TrashDir() + "/info/gone.txt.trashinfo");
  EXPECT_EQ(
      info.rfind(
          "[Trash Info]\nPath=" + fs_->RealPath(PathOf("two/sub")) + "/gone.txt\nDeletionDate=", 0),
      0u)
      << info;
  Put("one/a.txt", "newer a", 20);
  Run();
  EXPECT_EQ(ReadFile(TrashDir() + "/files/a.txt.2"), "new a");

  // What cannot go into the trash is neither replaced nor deleted, and counts as a failure.
  testing::FaultyFileSystem faulty(*fs_);
  faulty.failing_trash = ".txt";
  Put("one/a.txt", "newest a", 30);
  Put("two/extra.txt", "extra", 0);
  RunResult result = Run("Demo", &faulty);
  EXPECT_EQ(result.failed_files, 2);
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "newer a");
  EXPECT_TRUE(LogHas("Fehler:       " + dir1_ + "/a.txt konnte nicht synchronisiert werden."));
  EXPECT_TRUE(LogHas("Fehler:       " + dir2_ + "/extra.txt konnte nicht gelöscht werden."));

  // Without the trash a deletion that fails is logged and counted just the same.
  host_.options.trash = false;
  faulty.failing_trash.clear();
  faulty.failing_remove = "extra.txt";
  result = Run("Demo", &faulty);
  EXPECT_EQ(result.failed_files, 1);
  EXPECT_TRUE(Exists("two/extra.txt"));
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "newest a");
  EXPECT_FALSE(Exists(TrashDir().substr(Dir().size() + 1) + "/files/a.txt.3"));
}

TEST_F(SynchronisationRunTest, TheSameFolderUnderAnotherNameIsRefused) {
  JobDefinition job = BaseJob();
  job.CritAll = true;
  job.DelOthers = true;
  Put("one/a.txt", "a", 0);
  RunResult result;
  // The same folder under another name (a link) is refused too.
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("links/")));
  std::filesystem::create_directory_symlink(dir1_, PathOf("links/alias"));
  job.Dir1 = dir1_;
  job.Dir2 = PathOf("links/alias/");
  job.Name = "Same";
  Save(job);
  result = Run("Same");
  EXPECT_EQ(result.outcome, RunOutcome::kFailed);
  EXPECT_EQ(ReadFile(PathOf("one/a.txt")), "a");
  EXPECT_EQ(host_.failures.size(), 1u);
}

TEST_F(SynchronisationRunTest, LinkIntoTheOtherRootIsPassedOverOnEveryRun) {
  JobDefinition job = BaseJob();
  job.DirUp = true;
  Save(job);
  Put("one/a.txt", "a", 0);
  Put("two/b.txt", "b", 0);
  std::filesystem::create_directory_symlink(dir2_, PathOf("one/link"));
  const std::string skipped = "Fehler:       " + dir1_ +
                              "/link führt in das andere Verzeichnis des Auftrags und wurde "
                              "übergangen.";

  for (int run = 1; run <= 2; ++run) {
    EXPECT_EQ(Run().outcome, RunOutcome::kCompleted);
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), skipped), run);
  }
  EXPECT_FALSE(Exists("two/link"));
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
  EXPECT_EQ(ReadFile(PathOf("one/b.txt")), "b");

  // One way with deletion: the receiving list is whole, so the delete pass runs.
  job.Name = "Down";
  job.DirUp = false;
  job.DelOthers = true;
  Save(job);
  Put("two/surplus.txt", "s", 0);
  Run("Down");
  EXPECT_FALSE(Exists("two/surplus.txt"));
  EXPECT_TRUE(Exists("two/b.txt"));
}

TEST_F(SynchronisationRunTest, LinksOnTheReceivingSideNeverLeadTheRunOutOfItsFolders) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  Put("one/photos/a.jpg", "new a", 100);
  Put("one/notes.txt", "new notes", 100);
  Put("elsewhere/photos/a.jpg", "theirs", 0);
  Put("elsewhere/photos/b.jpg", "theirs too", 0);
  Put("elsewhere/victim.txt", "victim", 0);
  const std::string theirs_like_ours =
      "elsewhere/photos/" + std::string(FileTransfer::kTemporaryPrefix) + "4242-abcdefghij";
  Put(theirs_like_ours, "not ours to tidy", 0);
  std::filesystem::create_directory(dir2_);
  std::filesystem::create_directory_symlink(PathOf("elsewhere/photos"), PathOf("two/photos"));
  std::filesystem::create_symlink(PathOf("elsewhere/victim.txt"), PathOf("two/notes.txt"));
  const std::string passed_over = "Fehler:       " + dir2_ +
                                  "/photos führt aus dem Verzeichnis des Auftrags hinaus und "
                                  "wurde übergangen.";

  for (int run = 1; run <= 2; ++run) {
    const RunResult result = Run();
    EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
    EXPECT_EQ(result.failed_files, 1);
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), passed_over), run);
  }
  EXPECT_EQ(ReadFile(PathOf("elsewhere/photos/a.jpg")), "theirs");
  EXPECT_EQ(ReadFile(PathOf("elsewhere/photos/b.jpg")), "theirs too");
  EXPECT_EQ(ReadFile(PathOf("elsewhere/victim.txt")), "victim");
  EXPECT_TRUE(Exists(theirs_like_ours));
  EXPECT_FALSE(fs_->LinkStatus(PathOf("two/notes.txt")).is_link);
  EXPECT_EQ(ReadFile(PathOf("two/notes.txt")), "new notes");

  // Both ways, each pass guards its own receiving side: the second pass does not write through
  // a link of Dir1 either.
  job.Name = "Both";
  job.DirUp = true;
  job.DelOthers = false;
  Save(job);
  Put("two/only2/d.txt", "d", 0);
  std::filesystem::create_directory(PathOf("elsewhere2"));
  std::filesystem::create_directory_symlink(PathOf("elsewhere2"), PathOf("one/only2"));
  EXPECT_EQ(Run("Both").failed_files, 2);
  EXPECT_FALSE(Exists("elsewhere2/d.txt"));
  EXPECT_TRUE(LogHas("Fehler:       " + dir1_ +
                     "/only2 führt aus dem Verzeichnis des Auftrags hinaus und wurde übergangen."));
}

// Binds a folder at a second place for the life of the object, where the test may mount.
class BindMount {
 public:
  BindMount(const std::string& folder, const std::string& place) : place_(place) {
    std::filesystem::create_directories(place);
    const std::string command = "mount --bind '" + folder + "' '" + place + "' 2>/dev/null";
    active_ = std::system(command.c_str()) == 0;
  }
  ~BindMount() {
    if (active_) std::system(("umount '" + place_ + "'").c_str());
  }
  BindMount(const BindMount&) = delete;
  BindMount& operator=(const BindMount&) = delete;
  bool Active() const { return active_; }

 private:
  std::string place_;
  bool active_ = false;
};

TEST_F(SynchronisationRunTest, AFolderMountedIntoTheOtherRootIsPassedOver) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  Put("one/a.txt", "a", 0);
  Put("two/sub/s1", "only copy 1", 0);
  Put("two/sub/s2", "only copy 2", 0);
  Put("one/own/o1", "sending file", 0);
  {
    const BindMount receiving_in_sending(PathOf("two/sub"), PathOf("one/m"));
    if (!receiving_in_sending.Active()) GTEST_SKIP() << "bind mounts need root (mount --bind)";
    for (int run = 1; run <= 2; ++run) {
      const RunResult result = Run();
      EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
      EXPECT_GT(result.failed_files, 0);
      EXPECT_EQ(ReadFile(PathOf("two/sub/s1")), "only copy 1");
      EXPECT_EQ(ReadFile(PathOf("two/sub/s2")), "only copy 2");
      EXPECT_FALSE(Exists("two/m"));
    }
    EXPECT_TRUE(LogHas("Fehler:       " + dir2_ +
                       "/sub führt in das andere Verzeichnis des Auftrags und wurde übergangen."));
  }
  {
    // The other way round, with and without the receiving list: the sending files stay.
    const BindMount sending_in_receiving(PathOf("one/own"), PathOf("two/mine"));
    ASSERT_TRUE(sending_in_receiving.Active());
    Put("one/mine/new", "would land on the sending side", 0);
    for (const bool deletion : {true, false}) {
      job.Name = deletion ? "Mit" : "Ohne";
      job.DelOthers = deletion;
      Save(job);
      EXPECT_GT(Run(job.Name).failed_files, 0);
      EXPECT_EQ(ReadFile(PathOf("one/own/o1")), "sending file");
      EXPECT_FALSE(Exists("one/own/new"));
    }
  }
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
}

TEST_F(SynchronisationRunTest, AFolderOfADamagedDiskKeepsEveryMirrorCopy) {
  // An ext4 image whose folder of 600 names has one block damaged, mounted read-only: reading
  // the folder fails part way, as on a failing disk.
  const std::string image = PathOf("disk.img");
  const std::string mount = PathOf("disk");
  const std::string script =
      "set -e; truncate -s 8M '" + image + "'; mkfs.ext4 -q -F -b 1024 -O ^has_journal '" + image +
      "'; mkdir -p '" + mount + "'; mount -o loop '" + image + "' '" + mount + "'; mkdir '" +
      mount + "/dir'; for i in $(seq 1 600); do echo $i > '" + mount +
      "'/dir/file-$i-with-a-longish-name; done; umount '" + mount +
      "'; block=$(debugfs -R 'blocks /dir' '" + image +
      "' | awk '{print $10}'); head -c 1024 /dev/zero | tr '\\0' Z | dd of='" + image +
      "' bs=1024 seek=$block count=1 conv=notrunc; mount -o loop,ro,errors=continue '" + image +
      "' '" + mount + "'";
  struct Unmount {
    std::string place;
    ~Unmount() { std::system(("umount '" + place + "' 2>/dev/null").c_str()); }
  } unmount{mount};
  if (std::system(("(" + script + ") >/dev/null 2>&1").c_str()) != 0) {
    GTEST_SKIP() << "needs root, loop devices, mkfs.ext4 and debugfs";
  }
  JobDefinition job = BaseJob();
  job.Dir1 = mount + "/dir";
  job.DelOthers = true;
  Save(job);
  for (int i = 1; i <= 600; ++i) {
    Put("two/file-" + std::to_string(i) + "-with-a-longish-name", std::to_string(i) + "\n", 0);
  }

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_GE(result.failed_files, 1);
  EXPECT_TRUE(LogHas("Fehler:       " + mount + "/dir/ konnte nicht vollständig gelesen werden."));
  int kept = 0;
  for (int i = 1; i <= 600; ++i) {
    kept += Exists("two/file-" + std::to_string(i) + "-with-a-longish-name") ? 1 : 0;
  }
  EXPECT_EQ(kept, 600);
}

}  // namespace
}  // namespace parvolind
