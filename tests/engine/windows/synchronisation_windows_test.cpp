#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/faulty_file_system.h"
#include "engine/fit_path.h"
#include "engine/log_writer.h"
#include "engine/recording_host.h"
#include "engine/synchronisation_run.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/job_store.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

constexpr int64_t kBase = 1765000000LL * 1000000000;
constexpr int64_t kHour = 3600LL * 1000000000;
constexpr uint32_t kReadOnly = FILE_ATTRIBUTE_READONLY;
constexpr uint32_t kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr uint32_t kSystem = FILE_ATTRIBUTE_SYSTEM;
constexpr uint32_t kArchive = FILE_ATTRIBUTE_ARCHIVE;

// The machine's file system with an archive mark that stays as it was set, as NTFS keeps it. Wine
// derives the mark from the file's type (every regular file has it) and stores only the hidden
// and system attributes, so a cleared mark reads as set again there.
class ArchiveMarksKept : public testing::FaultyFileSystem {
 public:
  explicit ArchiveMarksKept(FileSystem& machine) : FaultyFileSystem(machine), machine_(machine) {}

  FileStatus Stat(const std::string& path) override { return Marked(path, Real().Stat(path)); }
  FileStatus LinkStatus(const std::string& path) override {
    return Marked(path, Real().LinkStatus(path));
  }
  int SetPermissions(const std::string& path, uint32_t mode) override {
    const int result = Real().SetPermissions(path, mode);
    if (result == 0) marks_[Key(path)] = (mode & FILE_ATTRIBUTE_ARCHIVE) != 0;
    return result;
  }

 private:
  FileSystem& Real() { return machine_; }
  static std::string Key(std::string path) {
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
  }
  FileStatus Marked(const std::string& path, FileStatus status) {
    const auto mark = marks_.find(Key(path));
    if (status.exists && mark != marks_.end()) {
      status.mode =
          (status.mode & ~FILE_ATTRIBUTE_ARCHIVE) | (mark->second ? FILE_ATTRIBUTE_ARCHIVE : 0u);
    }
    return status;
  }

  FileSystem& machine_;
  std::map<std::string, bool> marks_;
};

class WindowsRunTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    fs_ = CreateFileSystem();
    locale_ = CreateLocale("de_DE");
    locks_ = CreateRunLocks(PathOf("locks"));
  }

  // A one-way job from "eins" to "zwei" with the criterion "new and changed".
  void Save(bool archive_bit = false) {
    JobDefinition job;
    job.Name = "Demo";
    job.Dir1 = PathOf("eins");
    job.Dir2 = PathOf("zwei");
    job.DirDown = true;
    job.CritAll = false;
    job.CritNew = true;
    job.ArchivBit = archive_bit;
    job.CRC32 = false;
    job.DelOthers = true;
    JobStore(*hive_, clock_, *locale_).SaveJob(job, "", [](const std::string&) { return 0.0; });
  }

  std::string Put(const std::string& relative, const std::string& content, int64_t hours,
                  uint32_t attributes = kArchive, FileSystem* fs = nullptr) {
    FileSystem& files = fs != nullptr ? *fs : *fs_;
    const std::string path = WriteFile(relative, content);
    EXPECT_EQ(files.SetTimes(path, kBase + hours * kHour, kBase + hours * kHour), 0);
    EXPECT_EQ(files.SetPermissions(path, attributes), 0);
    return path;
  }

  RunResult Run(FileSystem* fs = nullptr) {
    FileSystem& files = fs != nullptr ? *fs : *fs_;
    LogWriter log(PathOf("parvolind.log"), files, host_, host_.Logging(), clock_, *locale_);
    SynchronisationRun run(
        *hive_, files, host_, host_.control, log, clock_, *locale_,
        [](const std::string&) { return 0.0; }, *locks_);
    return run.ExecuteSynchronisation("Demo", host_.options);
  }

  // The attributes but the archive mark, which Wine reports for every file.
  uint32_t AttributesOf(const std::string& relative) {
    return fs_->Stat(PathOf(relative)).mode & ~kArchive;
  }

  // Whether this file system keeps a cleared archive mark (Wine's does not).
  bool ArchiveMarkCanBeCleared() {
    const std::string probe = Put("probe.txt", "", 0, 0);
    const bool cleared = (fs_->Stat(probe).mode & kArchive) == 0;
    fs_->RemoveFile(probe);
    return cleared;
  }

  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Locale> locale_;
  std::unique_ptr<RunLocks> locks_;
  testing::FakeClock clock_;
  testing::RecordingHost host_;
};

TEST_F(WindowsRunTest, NamesDifferingInCaseAreOneFileAndAttributesAreKeptOrTaken) {
  Save();
  Put("eins/A.TXT", "neu", 2);
  Put("zwei/a.txt", "alt", 1, kReadOnly | kHidden | kSystem);
  Put("eins/Neu.txt", "neu", 2, kReadOnly | kHidden);
  const RunResult result = Run();
  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(result.files, 2);
  // The one file of that name is replaced and keeps its own attributes; nothing was deleted as
  // surplus, and no second file appeared.
  EXPECT_EQ(ReadFile(PathOf("zwei/a.txt")), "neu");
  EXPECT_EQ(AttributesOf("zwei/a.txt"), kReadOnly | kHidden | kSystem);
  std::unique_ptr<DirectoryStream> stream = fs_->OpenDirectory(PathOf("zwei"));
  ASSERT_TRUE(stream);
  int entries = 0;
  std::string_view name;
  EntryType type = EntryType::kUnknown;
  while (stream->Next(name, type)) ++entries;
  EXPECT_EQ(entries, 2);  // a.txt and Neu.txt
  // A new file takes the source's attributes.
  EXPECT_EQ(AttributesOf("zwei/Neu.txt"), kReadOnly | kHidden);
}

TEST_F(WindowsRunTest, TheArchiveCriterionCopiesOnlyMarkedFilesAndClearsTheMark) {
  if (!ArchiveMarkCanBeCleared()) {
    GTEST_SKIP() << "This file system reports every file as marked for archiving (Wine).";
  }
  Save(true);
  Put("eins/marked.txt", "m", 2, kArchive | kHidden);
  Put("eins/archived.txt", "a", 2, 0);
  Put("zwei/archived.txt", "old", 1, 0);
  EXPECT_EQ(Run().outcome, RunOutcome::kCompleted);
  EXPECT_EQ(ReadFile(PathOf("zwei/marked.txt")), "m");
  EXPECT_EQ(AttributesOf("eins/marked.txt"), kHidden);
  // Not a candidate, and as it has its counterpart it is not deleted either.
  EXPECT_EQ(ReadFile(PathOf("zwei/archived.txt")), "old");
  // Nothing is marked any more: the next run copies nothing.
  Put("eins/marked.txt", "m2", 3, kHidden);
  EXPECT_EQ(Run().files, 0);
}

// The same on a file system that keeps the mark as it is set, so that the run's part of it is
// checked also where the machine's file system (Wine's) does not keep it.
TEST_F(WindowsRunTest, TheArchiveCriterionClearsTheMarkItSelectedBy) {
  ArchiveMarksKept marks(*fs_);
  Save(true);
  Put("eins/marked.txt", "m", 2, kArchive | kHidden, &marks);
  Put("eins/archived.txt", "a", 2, 0, &marks);
  Put("zwei/archived.txt", "old", 1, 0, &marks);
  EXPECT_EQ(Run(&marks).outcome, RunOutcome::kCompleted);
  EXPECT_EQ(ReadFile(PathOf("zwei/marked.txt")), "m");
  EXPECT_EQ(marks.Stat(PathOf("eins/marked.txt")).mode, kHidden);
  // A new copy takes the source's attributes as they were when it was selected.
  EXPECT_EQ(marks.Stat(PathOf("zwei/marked.txt")).mode & kHidden, kHidden);
  EXPECT_EQ(ReadFile(PathOf("zwei/archived.txt")), "old");
  // Nothing is marked any more: the next run copies nothing; a file marked again is copied.
  Put("eins/marked.txt", "m2", 3, kHidden, &marks);
  EXPECT_EQ(Run(&marks).files, 0);
  Put("eins/archived.txt", "a2", 3, kArchive, &marks);
  EXPECT_EQ(Run(&marks).files, 1);
  EXPECT_EQ(ReadFile(PathOf("zwei/archived.txt")), "a2");
  EXPECT_EQ(marks.Stat(PathOf("eins/archived.txt")).mode, 0u);
}

TEST_F(WindowsRunTest, AFileHeldOpenElsewhereFailsAloneAndDeepPathsAreCopied) {
  Save();
  Put("eins/gesperrt.txt", "neu", 2);
  const std::string held = Put("zwei/gesperrt.txt", "alt", 1);
  std::string deep = "eins/";
  while (deep.size() < 300) deep += "ein-recht-langer-ordnername/";
  Put(deep + "tief.txt", "tief", 2);
  const std::wstring wide(held.begin(), held.end());
  HANDLE holder = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const RunResult result = Run();
  CloseHandle(holder);
  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(result.failed_files, 1);
  EXPECT_EQ(ReadFile(held), "alt");
  EXPECT_NE(ReadFile(PathOf("parvolind.log"))
                .find("Fehler:       " + PathOf("eins/gesperrt.txt") +
                      " konnte nicht synchronisiert werden."),
            std::string::npos);
  EXPECT_EQ(ReadFile(PathOf("zwei/" + deep.substr(5) + "tief.txt")), "tief");
}

TEST_F(WindowsRunTest, ADriveLetterThatIsNotThereFailsTheRunAndGetsNothing) {
  const DWORD drives = GetLogicalDrives();
  char letter = 'Z';
  while (letter > 'D' && (drives & (1u << (letter - 'A'))) != 0) --letter;
  ASSERT_GT(letter, 'D') << "every drive letter is taken";
  JobDefinition job;
  job.Name = "Demo";
  job.Dir1 = PathOf("eins");
  job.Dir2 = std::string(1, letter) + ":\\Sicherung";
  job.DirDown = true;
  job.DelOthers = true;
  JobStore(*hive_, clock_, *locale_).SaveJob(job, "", [](const std::string&) { return 0.0; });
  Put("eins/a.txt", "a", 1);
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  EXPECT_NE(ReadFile(PathOf("parvolind.log"))
                .find("Fehler:       " + job.Dir2 +
                      "\\ ist nicht verfügbar. Ist der Datenträger angeschlossen?"),
            std::string::npos);
  EXPECT_EQ(ReadFile(PathOf("eins/a.txt")), "a");
}

TEST(WindowsFitPathTest, ShortensAtBackslashesAndDropsTheDriveLast) {
  const auto width = [](std::string_view text) { return static_cast<int>(text.size()); };
  EXPECT_EQ(FitPathToWidth("C:\\daten\\sub\\deep\\datei.txt", 100, width),
            "C:\\daten\\sub\\deep\\datei.txt");
  EXPECT_EQ(FitPathToWidth("C:\\daten\\sub\\deep\\datei.txt", 22, width),
            "C:\\...\\deep\\datei.txt");
  EXPECT_EQ(FitPathToWidth("C:\\daten\\sub\\deep\\datei.txt", 16, width), "C:\\...\\datei.txt");
  EXPECT_EQ(FitPathToWidth("C:\\daten\\sub\\deep\\datei.txt", 14, width), "...\\datei.txt");
  EXPECT_EQ(FitPathToWidth("C:\\daten\\sub\\deep\\datei.txt", 5, width), "datei.txt");
}

}  // namespace
}  // namespace parvolind
