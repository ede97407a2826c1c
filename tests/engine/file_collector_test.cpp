#include "engine/file_collector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "engine/recording_host.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/path_rules.h"
#include "store/date_time.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::FakeClock;
using testing::RecordingHost;

constexpr int64_t kSecond = 1000000000;

std::string N(std::string_view path) { return testing::NativeSeparators(path); }

bool Passes(std::string_view name, std::string_view filter, int32_t type) {
  return FileCollector::PassesTypeFilter(name, FileCollector::FilterHaystack(filter), type);
}

TEST(FileTypeFilterTest, MatchesExtensionsAsTheFilterTableDoes) {
  EXPECT_TRUE(Passes("letter.doc", "*.doc", 1));
  EXPECT_TRUE(Passes("letter.doc", "x.doc", 1));
  EXPECT_TRUE(Passes("letter.doc", ".doc", 1));
  EXPECT_TRUE(Passes("LETTER.Doc", "*.DOC", 1));
  EXPECT_FALSE(Passes("memo.do", "*.doc", 1));
  EXPECT_FALSE(Passes("letter.doc", "*.doc ;*.txt", 1));
  EXPECT_TRUE(Passes("letter.doc", "*.doc; *.txt", 1));
  EXPECT_TRUE(Passes("notes.txt", "*.doc; *.txt", 1));
  EXPECT_FALSE(Passes("letter.doc", "*.*", 1));
  EXPECT_FALSE(Passes("letter.doc", "*", 1));
  EXPECT_TRUE(Passes("backup.gz", "*.tar.gz", 1));
  EXPECT_FALSE(Passes("backup.tar", "*.tar.gz", 1));
  EXPECT_TRUE(Passes("archive.tar.gz", "*.gz", 1));
  EXPECT_TRUE(Passes(".profile", "*.profile", 1));
  // Only A-Z are folded; other letters compare as they are.
  EXPECT_FALSE(Passes("a.\xC3\x84X", "*.\xC3\xA4x", 1));
  EXPECT_TRUE(Passes("a.\xC3\x84X", "*.\xC3\x84x", 1));

  // Type 1: listed, non-empty filter, has an extension.
  EXPECT_FALSE(Passes("letter.doc", "", 1));
  EXPECT_FALSE(Passes("README", "*.doc", 1));
  EXPECT_FALSE(Passes("README", ";", 1));
  // Type 2: not listed and non-empty filter, or no extension at all.
  EXPECT_FALSE(Passes("letter.doc", "*.doc", 2));
  EXPECT_TRUE(Passes("letter.txt", "*.doc", 2));
  EXPECT_FALSE(Passes("letter.txt", "", 2));
  EXPECT_TRUE(Passes("README", "", 2));
  EXPECT_TRUE(Passes("README", "*.doc", 2));
  // Type 0 admits all, any other type nothing.
  EXPECT_TRUE(Passes("anything", "", 0));
  EXPECT_FALSE(Passes("letter.doc", "*.doc", 3));
  EXPECT_FALSE(Passes("README", "", -1));
}

class FileCollectorTest : public testing::TempDirTest {
 protected:
  using Paths = std::vector<std::string>;
  Paths Collect(const std::string& root, bool sub_dirs = true, int32_t type = 0,
                const std::string& filter = "", int32_t days = 0) {
    FileList list;
    collector_.GetSyncFiles(root, filter, list, sub_dirs, type, days);
    return list.Paths();
  }
  static Paths Sorted(Paths list) {
    std::sort(list.begin(), list.end());
    return list;
  }

  /// The lines the collector logged, each without its CR LF.
  std::vector<std::string> LoggedLines() const {
    std::vector<std::string> lines;
    std::istringstream log(ReadFile(PathOf("log")));
    for (std::string line; std::getline(log, line);)
      lines.push_back(line.substr(0, line.size() - 1));
    return lines;
  }

  std::unique_ptr<FileSystem> fs_ = CreateFileSystem();
  RecordingHost host_;
  FakeClock clock_;
  FileTransfer transfer_{*fs_, host_, host_.control, host_.options};
  std::unique_ptr<Locale> locale_ = CreateLocale("de_DE");
  LogWriter log_{PathOf("log"), *fs_, host_, host_.Logging(), clock_, *locale_};
  FileCollector collector_{*fs_, host_, host_.control, clock_, transfer_, log_};
};

TEST_F(FileCollectorTest, ListsFilesBeforeSubdirectoriesAndSkipsDotDirectories) {
  WriteFile("root/a.txt", "1");
  WriteFile("root/.hidden", "2");
  WriteFile("root/sub/b.doc", "3");
  WriteFile("root/sub/deeper/c", "4");
  WriteFile("root/.git/config", "5");
  WriteFile("root/other/d.txt", "6");
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("root/empty")));
  const std::string root = PathOf("root/");

  const Paths all = Collect(root);
  EXPECT_EQ(Sorted(all), (Paths{root + ".hidden", root + "a.txt", root + N("other/d.txt"),
                                root + N("sub/b.doc"), root + N("sub/deeper/c")}));
  // A directory's own files come before those of its subdirectories, depth first.
  auto position = [&](const std::string& path) {
    return std::find(all.begin(), all.end(), path) - all.begin();
  };
  EXPECT_LT(position(root + "a.txt"), position(root + N("sub/b.doc")));
  EXPECT_LT(position(root + ".hidden"), position(root + N("other/d.txt")));
  EXPECT_EQ(position(root + N("sub/deeper/c")), position(root + N("sub/b.doc")) + 1);
  // One status line per directory walked; .git is not among them.
  EXPECT_EQ(host_.Labels(ProgressLabel::kAction).size(), 5u);
  EXPECT_EQ(host_.Labels(ProgressLabel::kAction).front(), root + " wird eingelesen...");

  collector_.Reset();
  EXPECT_EQ(Sorted(Collect(root, false)), (Paths{root + ".hidden", root + "a.txt"}));
  collector_.Reset();
  EXPECT_EQ(Sorted(Collect(root, true, 1, "*.DOC;*.txt")),
            (Paths{root + "a.txt", root + N("other/d.txt"), root + N("sub/b.doc")}));
  collector_.Reset();
  EXPECT_EQ(Sorted(Collect(root, true, 2, "*.txt")),
            (Paths{root + ".hidden", root + N("sub/b.doc"), root + N("sub/deeper/c")}));
  collector_.Reset();
  EXPECT_TRUE(Collect(root, true, 3, "*.txt").empty());
  collector_.Reset();
  EXPECT_TRUE(Collect(PathOf("missing/")).empty());
  // Entries already in the list stay.
  collector_.Reset();
  FileList list{"kept"};
  collector_.GetSyncFiles(root, "", list, false, 0, 0);
  EXPECT_EQ(list.Path(0), "kept");
  EXPECT_EQ(list.size(), 3u);
}

TEST_F(FileCollectorTest, StatusLineIsShortenedToTheLabelLessOneHundred) {
  WriteFile("r/file", "x");
  const std::string root = PathOf("r/");
  host_.label_width = 110;  // 10 characters left for the directory
  Collect(root);
  // A drive ("C:") stays before the ellipsis.
  const std::string drive = root.substr(0, RootLength(root) - 1);
  EXPECT_EQ(host_.Labels(ProgressLabel::kAction).front(), drive + N("/.../r/ wird eingelesen..."));
}

TEST_F(FileCollectorTest, AgeFilterHonoursTheDayBoundaryToTheMinute) {
  const std::string fresh = WriteFile("r/fresh", "1");
  const std::string old = WriteFile("r/old", "2");
  const std::string future = WriteFile("r/future", "3");
  const int64_t base = 1780000000 * kSecond;
  ASSERT_EQ(fs_->SetTimes(fresh, base, base), 0);
  ASSERT_EQ(fs_->SetTimes(old, base, base - 62 * kSecond * 60), 0);  // 62 minutes earlier
  ASSERT_EQ(fs_->SetTimes(future, base, base + 1000 * kSecond * 86400), 0);
  // Now: 13 days 23 hours after "fresh", so "old" is 14 days and 1 minute old.
  const DateTime fresh_local = EncodeDateTime(fs_->LocalTimeOf(base));
  clock_.Set(DecodeDateTime(fresh_local + 13 + 23.0 / 24));
  const std::string root = PathOf("r/");
  EXPECT_EQ(Sorted(Collect(root, true, 0, "", 14)), (Paths{root + "fresh", root + "future"}));
  collector_.Reset();
  EXPECT_EQ(Collect(root, true, 0, "", 0).size(), 3u);
  collector_.Reset();
  EXPECT_EQ(Collect(root, true, 0, "", -5).size(), 3u);
}

TEST_F(FileCollectorTest, CancelStopsTheDirectoryInHandAndItsSubdirectories) {
  WriteFile("r/a1", "x");
  WriteFile("r/a2", "x");
  WriteFile("r/a3", "x");
  WriteFile("r/s1/b1", "x");
  WriteFile("r/s1/b2", "x");
  WriteFile("r/s1/t/c1", "x");
  WriteFile("r/s2/u/d1", "x");  // s2 has no file candidates of its own
  const std::string root = PathOf("r/");
  // Events: 1 for r's status line, then one per candidate; cancel after the second file.
  host_.on_process_events = [&](int events) {
    if (events == 3) host_.control.SetCancelRequested(true);
  };
  const Paths list = Collect(root);
  EXPECT_EQ(list.size(), 2u);
  for (const std::string& path : list) EXPECT_EQ(path.rfind(kPathSeparator), root.size() - 1);
  // The subdirectories of r were not entered: only r's status line.
  EXPECT_EQ(host_.Labels(ProgressLabel::kAction).size(), 1u);
}

TEST_F(FileCollectorTest, AfterACancelDeeperDirectoriesTakeTheirFirstCandidateOnly) {
  WriteFile("r/s1/b1", "x");
  WriteFile("r/s1/b2", "x");
  WriteFile("r/s1/t/c1", "x");
  WriteFile("r/s2/d1", "x");
  WriteFile("r/s2/d2", "x");
  WriteFile("r/s3/u/e1", "x");
  const std::string root = PathOf("r/");
  host_.control.SetCancelRequested(true);  // pressed while r's (empty) file pass ran
  const Paths list = Collect(root);
  // r has no candidates, so its subdirectories are entered; each stops after one candidate, and
  // s3 (no candidates of its own) still enters u.
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(
      std::count_if(list.begin(), list.end(),
                    [&](const std::string& p) { return p.find(N("/s1/")) != std::string::npos; }),
      1);
  EXPECT_NE(std::find(list.begin(), list.end(), root + N("s3/u/e1")), list.end());
  EXPECT_EQ(std::find(list.begin(), list.end(), root + N("s1/t/c1")), list.end());
}

TEST_F(FileCollectorTest, ReportsAndRemovesOnlyStaleTemporaryFiles) {
  WriteFile("r/real", "x");
  const std::string stale = WriteFile("r/sub/.parvolind-tmp-99-deadbeef00", "half a copy");
  const std::string fresh = WriteFile("r/.parvolind-tmp-98-0123456789", "a copy in progress");
  const int64_t base = 1780000000 * kSecond;
  ASSERT_EQ(fs_->SetTimes(stale, base, base - 3600 * kSecond), 0);
  ASSERT_EQ(fs_->SetTimes(fresh, base, base - 60 * kSecond), 0);
  // The user's own files, however much their names look like ours, are ordinary files.
  for (const char* name : {".parvolind-tmp-notes", ".parvolind-tmp-7-ABCDEFGHIJ",
                           ".parvolind-tmp-7-abcdefghi", ".parvolind-tmp--abcdefghij"}) {
    const std::string mine = WriteFile(std::string("r/") + name, "mine");
    ASSERT_EQ(fs_->SetTimes(mine, base, base - 3600 * kSecond), 0);
  }
  clock_.Set(fs_->LocalTimeOf(base));
  const std::string root = PathOf("r/");

  EXPECT_EQ(
      Sorted(Collect(root)),
      (Paths{root + ".parvolind-tmp--abcdefghij", root + ".parvolind-tmp-7-ABCDEFGHIJ",
             root + ".parvolind-tmp-7-abcdefghi", root + ".parvolind-tmp-notes", root + "real"}));
  EXPECT_EQ(collector_.StaleTemporaryFiles(), std::vector<std::string>{stale});
  EXPECT_EQ(collector_.RemoveStaleTemporaryFiles(PathOf("elsewhere/")), 0);
  EXPECT_TRUE(fs_->Stat(stale).exists);
  EXPECT_EQ(collector_.RemoveStaleTemporaryFiles(root), 1);
  EXPECT_FALSE(fs_->Stat(stale).exists);
  EXPECT_TRUE(fs_->Stat(fresh).exists);
  EXPECT_TRUE(collector_.StaleTemporaryFiles().empty());

  // One that a copy still holds open is left alone even when it looks old.
  std::string held_path;
  auto held = fs_->CreateTemporaryFile(root, FileTransfer::kTemporaryPrefix, &held_path);
  ASSERT_TRUE(held);
  ASSERT_EQ(fs_->SetTimes(held_path, base, base - 3600 * kSecond), 0);
  collector_.Reset();
  Collect(root);
  ASSERT_EQ(collector_.StaleTemporaryFiles(), std::vector<std::string>{held_path});
  EXPECT_EQ(collector_.RemoveStaleTemporaryFiles(root), 0);
  EXPECT_TRUE(fs_->Stat(held_path).exists);
}

}  // namespace
}  // namespace parvolind
