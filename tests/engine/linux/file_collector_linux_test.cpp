#include "engine/file_collector.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/faulty_file_system.h"
#include "engine/recording_host.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "store/date_time.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::FakeClock;
using testing::RecordingHost;

constexpr int64_t kSecond = 1000000000;

class FileCollectorLinuxTest : public testing::TempDirTest {
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

TEST_F(FileCollectorLinuxTest, AgeFilterCountsRealTimeAcrossAZoneChange) {
  // German time: winter +1, summer +2 hours.
  struct ZoneGuard {
    ZoneGuard() : had(std::getenv("TZ") != nullptr), saved(had ? std::getenv("TZ") : "") {
      setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
      tzset();
    }
    ~ZoneGuard() {
      had ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
      tzset();
    }
    bool had;
    std::string saved;
  } zone;
  const std::string file = WriteFile("r/f", "x");
  const std::string root = PathOf("r/");
  const int64_t day = 86400 * kSecond;
  const int64_t half_hour = 1800 * kSecond;
  auto listed_within_50_days = [&](int64_t now, int64_t written) {
    clock_.Set(fs_->LocalTimeOf(now));
    EXPECT_EQ(fs_->SetTimes(file, written, written), 0);
    return Collect(root, true, 0, "", 50).size() == 1;
  };
  // Now in winter time (1 Dec 2026, 12:00 UTC), the file written in summer time.
  const int64_t winter = 1796126400 * kSecond;
  EXPECT_FALSE(listed_within_50_days(winter, winter - 50 * day - half_hour));
  EXPECT_TRUE(listed_within_50_days(winter, winter - 50 * day));
  // Now in summer time (15 Apr 2026, 12:00 UTC), the file written in winter time.
  const int64_t summer = 1776254400 * kSecond;
  EXPECT_TRUE(listed_within_50_days(summer, summer - 50 * day + half_hour));
  EXPECT_FALSE(listed_within_50_days(summer, summer - 50 * day - 1000000));
}

TEST_F(FileCollectorLinuxTest, FollowsDirectoryLinksButNotBackUpTheWalk) {
  WriteFile("r/a/file", "x");
  WriteFile("elsewhere/linked", "y");
  std::filesystem::create_directory_symlink(PathOf("r"), PathOf("r/a/loop"));
  std::filesystem::create_directory_symlink(PathOf("elsewhere"), PathOf("r/ext"));
  std::filesystem::create_symlink(PathOf("r/a/file"), PathOf("r/filelink"));
  std::filesystem::create_symlink(PathOf("nowhere"), PathOf("r/dangling"));
  // A second way into "a": walked like a folder of its own, whichever way comes first.
  std::filesystem::create_directory_symlink(PathOf("r/a"), PathOf("r/alias"));
  WriteFile("r/plain", "xyz");
  const std::string root = PathOf("r/");
  EXPECT_EQ(Sorted(Collect(root)), (Paths{root + "a/file", root + "alias/file", root + "dangling",
                                          root + "ext/linked", root + "filelink", root + "plain"}));
  // A folder already walked in one call is walked again in the next.
  EXPECT_EQ(Collect(PathOf("elsewhere/")), Paths{PathOf("elsewhere/linked")});

  // What the walk saw of a file holds only where no other path leads to it: a copy written by
  // another path (a link, a second way into the folder) would change it unseen.
  FileList list;
  collector_.GetSyncFiles(root, "", list, true, 0, 0);
  FileList::DistrustFoldersSeenTwice(&list, nullptr);
  Paths holding;
  FileStatus status;
  for (size_t i = 0; i < list.size(); ++i) {
    if (!list.ListedStatus(i, status)) continue;
    holding.push_back(list.Path(i));
    EXPECT_EQ(status.size, 3);
    EXPECT_EQ(status.mtime_ns, fs_->Stat(root + "plain").mtime_ns);
  }
  EXPECT_EQ(holding, Paths{root + "plain"});
}

TEST_F(FileCollectorLinuxTest, PassesOverDirectoriesLeadingIntoTheOtherRootAndLogsEachOnce) {
  WriteFile("one/a", "1");
  WriteFile("two/sub/b", "2");
  WriteFile("outside/c", "3");
  std::filesystem::create_directory_symlink(PathOf("two"), PathOf("one/in"));
  std::filesystem::create_directory_symlink(PathOf("two/sub"), PathOf("one/deep"));
  std::filesystem::create_directory_symlink(Dir(), PathOf("one/up"));  // holds "two"
  std::filesystem::create_directory_symlink(PathOf("outside"), PathOf("one/out"));
  const std::string root = PathOf("one/");
  for (int call = 0; call < 2; ++call) {
    FileList list;
    collector_.GetSyncFiles(root, "", list, true, 0, 0, PathOf("two/"));
    EXPECT_EQ(Sorted(list.Paths()), (Paths{root + "a", root + "out/c"}));
  }
  std::vector<std::string> lines = LoggedLines();
  std::sort(lines.begin(), lines.end());
  const std::string tail = " führt in das andere Verzeichnis des Auftrags und wurde übergangen.";
  EXPECT_EQ(lines, (std::vector<std::string>{"Fehler:       " + root + "deep" + tail,
                                             "Fehler:       " + root + "in" + tail,
                                             "Fehler:       " + root + "up" + tail}));
}

TEST_F(FileCollectorLinuxTest, ReadingAheadInThreadsListsLogsAndShowsWhatOneThreadDoes) {
  for (int a = 0; a < 12; ++a) {
    for (int b = 0; b < 3; ++b) {
      for (int f = 0; f < 4; ++f) {
        const std::string name = "/d" + std::to_string(a) + "/s" + std::to_string(b) + "/f";
        WriteFile("one" + name + std::to_string(f), "1");
        WriteFile("two" + name + std::to_string(f + b), "22");
      }
    }
  }
  WriteFile("one/.hidden/h", "h");
  WriteFile("two/damaged/x", "x");
  WriteFile("two/damaged/y", "y");
  std::filesystem::create_directory_symlink(PathOf("two/d3"), PathOf("one/d5/into"));
  std::filesystem::create_directory_symlink(PathOf("one/d2"), PathOf("one/d2/s1/loop"));
  std::filesystem::create_directory_symlink(PathOf("one/d7"), PathOf("two/d1/alias"));
  std::filesystem::create_symlink(PathOf("one/d0/s0/f0"), PathOf("two/link"));
  struct Seen {
    std::vector<Paths> lists;
    std::vector<std::string> log;
    std::vector<std::string> labels;
    std::vector<std::string> incomplete;
    int64_t failures = 0;
  };
  const auto walk = [&](size_t threads) {
    testing::FaultyFileSystem fs(*fs_);
    fs.work_threads = threads;
    fs.failing_directory = "two/damaged/";
    fs.entries_before_failure = 1;
    RecordingHost host;
    const std::string log_path = PathOf("log" + std::to_string(threads));
    LogWriter log(log_path, fs, host, host.Logging(), clock_, *locale_);
    FileCollector collector(fs, host, host.control, clock_, transfer_, log);
    collector.Reset();
    collector.ReadAhead(PathOf("two"), "", true, 0, PathOf("one"));
    FileList first;
    FileList second;
    collector.GetSyncFiles(PathOf("one"), "", first, true, 0, 0, PathOf("two"));
    collector.GetSyncFiles(PathOf("two"), "", second, true, 0, 0, PathOf("one"));
    Seen seen{{first.Paths(), second.Paths()},
              {},
              host.Labels(ProgressLabel::kAction),
              collector.IncompleteFolders(),
              collector.Failures()};
    std::istringstream lines(ReadFile(log_path));
    for (std::string line; std::getline(lines, line);) seen.log.push_back(line);
    return seen;
  };
  const Seen alone = walk(1);
  EXPECT_EQ(alone.lists[0].size(), 12u * 3 * 4);
  EXPECT_EQ(alone.failures, 3);  // the two links into the other side, the damaged folder
  for (const size_t threads : {2, 4, 8}) {
    const Seen side_by_side = walk(threads);
    EXPECT_EQ(side_by_side.lists, alone.lists);
    EXPECT_EQ(side_by_side.log, alone.log);
    EXPECT_EQ(side_by_side.labels, alone.labels);
    EXPECT_EQ(side_by_side.incomplete, alone.incomplete);
    EXPECT_EQ(side_by_side.failures, alone.failures);
  }
}

TEST_F(FileCollectorLinuxTest, LogsAFolderThatCannotBeRead) {
  // A folder whose path is too long for the system to open; made from its parent's handle.
  std::string parent = PathOf("r");
  while (parent.size() < 3900) parent += "/" + std::string(200, 'n');
  WriteFile(parent.substr(Dir().size() + 1) + "/seen", "x");
  const int parent_fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(parent_fd, 0);
  const std::string name(250, 'x');
  ASSERT_EQ(mkdirat(parent_fd, name.c_str(), 0700), 0);

  const Paths list = Collect(PathOf("r/"));
  EXPECT_EQ(list, Paths{parent + "/seen"});
  EXPECT_EQ(LoggedLines(), std::vector<std::string>{"Fehler:       " + parent + "/" + name +
                                                    "/ konnte nicht gelesen werden."});
  // A folder that is simply gone is no error.
  Collect(PathOf("missing/"));
  EXPECT_EQ(LoggedLines().size(), 1u);
  unlinkat(parent_fd, name.c_str(), AT_REMOVEDIR);
  close(parent_fd);
}

TEST_F(FileCollectorLinuxTest, SkipsSpecialFilesAndListsOddNamesByteForByte) {
  WriteFile("r/plain", "x");
  ASSERT_EQ(mkfifo(PathOf("r/pipe").c_str(), 0600), 0);
  const std::string odd = PathOf("r/na\xEFve\xFF");
  std::ofstream(odd) << "z";
  EXPECT_EQ(Sorted(Collect(PathOf("r/"))), (Paths{PathOf("r/na\xEFve\xFF"), PathOf("r/plain")}));
  std::filesystem::remove(odd);  // the temporary folder's own clean-up cannot spell it
}

}  // namespace
}  // namespace parvolind
