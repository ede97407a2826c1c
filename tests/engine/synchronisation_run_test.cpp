#include "engine/synchronisation_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/faulty_file_system.h"
#include "engine/file_transfer.h"
#include "engine/path_index.h"
#include "engine/synchronisation_run_fixture.h"
#include "platform/path_rules.h"
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

// A read-only file: no write bit on Linux, the read-only attribute (beside the archive mark that
// Wine gives every file) on Windows.
constexpr uint32_t kReadOnlyBits = kArchiveModeBit == 0 ? 0444 : 0x21;

std::string N(std::string_view path) { return testing::NativeSeparators(path); }

TEST_F(SynchronisationRunTest, BothWaysWorkedExampleCopiesThreeAndWritesExactLog) {
  JobDefinition job = BaseJob();
  job.DirUp = true;
  Save(job);
  Put("one/a.txt", "a1", 10 * 3600);
  Put("one/b.txt", "b1", 11 * 3600);
  Put("two/b.txt", "b2 newer", 12 * 3600);
  Put("two/c.txt", "c2", 9 * 3600);

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(result.files, 3);
  EXPECT_FALSE(result.log_error.has_value());
  EXPECT_EQ(host_.bars[1].maximum, 4);
  EXPECT_EQ(host_.bars[1].value, 4);
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a1");
  EXPECT_EQ(ReadFile(PathOf("one/b.txt")), "b2 newer");
  EXPECT_EQ(ReadFile(PathOf("two/b.txt")), "b2 newer");
  EXPECT_EQ(MtimeOf("one/b.txt"), (kBaseSeconds + 12 * 3600) * kSecond);
  EXPECT_EQ(ReadFile(PathOf("one/c.txt")), "c2");

  const std::string expected =
      "Uhrzeit:      08.12.2026 14:05:09\r\n"
      "Auftrag:      Demo\r\n"
      "Art:          Start der Durchführung\r\n"
      "Beendet um:   08.12.2026 14:05:09\r\n"
      "Grund:        Ende der Durchführung\r\n"
      "- Ergebnis - - - - - - - - - - - - - - -\r\n"
      "Dateien:      3\r\n"
      "Dauer:        0,00 Minuten\r\n" +
      kInnerRule + "\r\n";
  EXPECT_EQ(ReadFile(PathOf("parvolind.log")), expected);

  EXPECT_EQ(Execution(), "08. Dezember 2026, 14:05 Uhr");
  EXPECT_EQ(NextSync(), kNextSync);
  EXPECT_FALSE(host_.control.RunInProgress());
  EXPECT_FALSE(host_.icon_cycling);
  EXPECT_FALSE(host_.panel_visible);
  EXPECT_TRUE(host_.failures.empty());
  EXPECT_EQ(host_.labels[static_cast<int>(ProgressLabel::kJob)], "Demo");
  EXPECT_EQ(host_.labels[static_cast<int>(ProgressLabel::kDir1)], dir1_ + N("/"));
  EXPECT_EQ(host_.actions.front(), "Synchronisation wird vorbereitet...");
}

TEST_F(SynchronisationRunTest, OneWayWorkedExampleDeletesOnlyTheSurplusFile) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  Put("one/a.txt", "a1", 0);
  Put("one/b.txt", "b1", 100);
  Put("two/b.txt", "b2", 100);
  Put("two/c.txt", "c2", 0);

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(result.files, 1);
  EXPECT_EQ(host_.bars[1].maximum, 4);
  EXPECT_EQ(host_.bars[1].value, 4);
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a1");
  EXPECT_EQ(ReadFile(PathOf("two/b.txt")), "b2");
  EXPECT_FALSE(Exists("two/c.txt"));
  EXPECT_TRUE(LogHas("Dateien:      1"));
  EXPECT_TRUE(host_.ActionSeen(dir2_ + N("/c.txt wird gelöscht...")));
}

// Files for every column of the decision table: missing on the receiving side,
// receiving newer, same time (other content), receiving older (other content),
// and receiving older with the same content.
struct DecisionCase {
  const char* name;
  bool crit_all;
  bool crit_new;
  bool crit_newer;
  bool crc32;
  bool archiv_bit;
  std::vector<std::string> copied;
};

class DecisionTableTest : public SynchronisationRunTest,
                          public ::testing::WithParamInterface<DecisionCase> {};

TEST_P(DecisionTableTest, CopiesExactlyTheFilesTheCriterionSelects) {
  const DecisionCase& c = GetParam();
  JobDefinition job = BaseJob();
  job.CritAll = c.crit_all;
  job.CritNew = c.crit_new;
  job.CritNewer = c.crit_newer;
  job.CRC32 = c.crc32;
  job.ArchivBit = c.archiv_bit;
  Save(job);
  Put("one/missing.txt", "source", 100);
  Put("one/newer.txt", "source", 100);
  Put("two/newer.txt", "target", 200);
  Put("one/same.txt", "source", 100);
  Put("two/same.txt", "target", 100);
  Put("one/older.txt", "source", 100);
  Put("two/older.txt", "target", 50);
  Put("one/content.txt", "equal", 100);
  Put("two/content.txt", "equal", 50);

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(result.files, static_cast<int64_t>(c.copied.size()));
  for (const char* name : {"missing.txt", "newer.txt", "same.txt", "older.txt", "content.txt"}) {
    const bool expected = std::find(c.copied.begin(), c.copied.end(), name) != c.copied.end();
    const std::string target = std::string("two/") + name;
    const int64_t source_time = MtimeOf(std::string("one/") + name);
    const bool copied = Exists(target) && MtimeOf(target) == source_time &&
                        ReadFile(PathOf(target)) == ReadFile(PathOf(std::string("one/") + name));
    EXPECT_EQ(copied, expected) << c.name << ": " << name;
  }
  EXPECT_TRUE(LogHas("Dateien:      " + std::to_string(c.copied.size())));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DecisionTableTest,
    ::testing::Values(
        DecisionCase{"all",
                     true,
                     false,
                     false,
                     false,
                     false,
                     {"missing.txt", "newer.txt", "same.txt", "older.txt", "content.txt"}},
        DecisionCase{"all_with_archive_test",
                     true,
                     false,
                     false,
                     false,
                     true,
                     {"missing.txt", "newer.txt", "same.txt", "older.txt", "content.txt"}},
        DecisionCase{
            "new", false, true, false, false, false, {"missing.txt", "older.txt", "content.txt"}},
        DecisionCase{"none_set_counts_as_new",
                     false,
                     false,
                     false,
                     false,
                     false,
                     {"missing.txt", "older.txt", "content.txt"}},
        DecisionCase{
            "new_crc", false, true, false, true, false, {"missing.txt", "same.txt", "older.txt"}},
        DecisionCase{
            "newer", false, false, true, false, false, {"same.txt", "older.txt", "content.txt"}}),
    [](const ::testing::TestParamInfo<DecisionCase>& param_info) { return param_info.param.name; });

TEST_F(SynchronisationRunTest, CrcKeepsTheOlderTimeOfAnEqualReceivingFile) {
  JobDefinition job = BaseJob();
  job.CRC32 = true;
  Save(job);
  Put("one/x.bin", "same bytes", 500);
  Put("two/x.bin", "same bytes", 10);
  Run();
  EXPECT_EQ(MtimeOf("two/x.bin"), (kBaseSeconds + 10) * kSecond);
  EXPECT_TRUE(LogHas("Dateien:      0"));
}

TEST_F(SynchronisationRunTest, EqualTimesButDifferentSizesAreCopied) {
  // A receiving file cut short (a crash while it was written) with the sending file's time.
  for (const bool crc : {false, true}) {
    JobDefinition job = BaseJob();
    job.CRC32 = crc;
    Save(job);
    Put("one/x.bin", "the whole content", 100);
    Put("two/x.bin", "the w", 100);
    Put("one/y.bin", "same", 100);
    Put("two/y.bin", "same", 100);
    Run();
    EXPECT_EQ(ReadFile(PathOf("two/x.bin")), "the whole content") << "crc " << crc;
    EXPECT_EQ(LogLines()[LogLines().size() - 3], "Dateien:      1") << "crc " << crc;
    JobStore(*hive_, clock_, *locale_).DeleteJob("Demo");
  }
}

TEST_F(SynchronisationRunTest, BothWaysFilesThatDifferAtEqualTimesAreConflicts) {
  struct Case {
    bool crit_new;
    bool crc;
    const char* two_content;  // against "one content" at the same time
  };
  for (const Case c :
       {Case{true, false, "other"}, Case{true, true, "two content"}, Case{false, false, "other"}}) {
    JobDefinition job = BaseJob();
    job.DirUp = true;
    job.CritNew = c.crit_new;
    job.CritNewer = !c.crit_new;
    job.CRC32 = c.crc;
    Save(job);
    Put("one/x.txt", "one content", 100);
    Put("two/x.txt", c.two_content, 100);

    const RunResult result = Run();

    EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
    EXPECT_EQ(result.files, 0);
    EXPECT_EQ(result.failed_files, 1);
    EXPECT_EQ(ReadFile(PathOf("one/x.txt")), "one content");
    EXPECT_EQ(ReadFile(PathOf("two/x.txt")), c.two_content);
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Fehler:       " + dir1_ +
                             N("/x.txt wurde auf beiden Seiten geändert und nicht überschrieben.")),
              1);
    EXPECT_EQ(host_.bars[1].value, host_.bars[1].maximum);
    JobStore(*hive_, clock_, *locale_).DeleteJob("Demo");
    std::filesystem::remove(PathOf("parvolind.log"));
  }
}

TEST_F(SynchronisationRunTest, BothWaysAllFilesCopiesOnceAndNeverBackOverAFailedCopy) {
  JobDefinition job = BaseJob();
  job.DirUp = true;
  job.CritAll = true;
  Save(job);
  Put("one/x.txt", "X1", 200);
  Put("two/x.txt", "X2", 100);
  Put("one/y.txt", "Y1 old", 200);
  Put("two/y.txt", "Y2", 100);
  Put("two/z.txt", "Z2", 100);  // only in Dir2: the second pass has work
  // y.txt is rewritten in place while it is copied: same size, new time.
  int y_events = 0;
  host_.on_events = [&](FakeRunHost& host) {
    if (host.labels[static_cast<int>(ProgressLabel::kAction)] ==
            dir1_ + N("/y.txt wird kopiert...") &&
        ++y_events == 2) {
      Put("one/y.txt", "Y1 new", 300);
    }
  };
  host_.control.SetCancelRequested(true);  // a request left over from an earlier run

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(result.files, 3);
  EXPECT_EQ(ReadFile(PathOf("two/x.txt")), "X1");
  EXPECT_TRUE(LogHas("Fehler:       " + dir1_ + N("/y.txt konnte nicht synchronisiert werden.")));
  EXPECT_EQ(ReadFile(PathOf("two/y.txt")), "Y2");
  EXPECT_EQ(ReadFile(PathOf("one/y.txt")), "Y1 new");
  EXPECT_EQ(ReadFile(PathOf("one/z.txt")), "Z2");
  EXPECT_FALSE(host_.ActionSeen(dir2_ + N("/x.txt wird kopiert")));
  EXPECT_TRUE(LogHas("Dateien:      3"));
}

TEST_F(SynchronisationRunTest, BothWaysEqualFilesAtEqualTimesAreCopiedOnlyByTheReplacingMode) {
  for (const bool replacing : {false, true}) {
    JobDefinition job = BaseJob();
    job.DirUp = true;
    job.CritNew = !replacing;
    job.CritNewer = replacing;
    Save(job);
    Put("one/e.txt", "same", 100);
    Put("two/e.txt", "same", 100);
    EXPECT_EQ(Run().files, replacing ? 1 : 0);
    JobStore(*hive_, clock_, *locale_).DeleteJob("Demo");
  }
}

TEST_F(SynchronisationRunTest, RelativeRootsAreRefusedBeforeAnythingIsCreated) {
  // Relative to the working folder, but leading into this test's own folder: a run that wrongly
  // took it would leave its folder here, not where later tests run.
  // (The working folder is this test's folder for the length of the test: on Windows the system's
  // temporary folder may lie on another drive, which no relative path reaches.)
  struct WorkingFolder {
    explicit WorkingFolder(const std::string& folder) : saved(std::filesystem::current_path()) {
      std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(saved); }
    std::filesystem::path saved;
  } working_folder(Dir());
  const std::string relative =
      std::filesystem::relative(PathOf("relative-root"), std::filesystem::current_path()).string();
  ASSERT_FALSE(relative.empty());
  ASSERT_FALSE(IsAbsolutePath(relative));
  for (const int which : {1, 2}) {
    JobDefinition job = BaseJob();
    job.DelOthers = true;
    Save(job);
    {
      // The store's save refuses such a directory; an imported job can still hold one.
      RegistryKey key(*hive_);
      ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Demo"), false));
      key.WriteString(which == 1 ? "Dir1" : "Dir2", relative);
    }

    const RunResult result = Run();

    EXPECT_EQ(result.outcome, RunOutcome::kFailed);
    EXPECT_TRUE(
        LogHas("Fehler:       Verzeichnis " + std::to_string(which) + " ist kein absoluter Pfad."));
    EXPECT_FALSE(Exists("relative-root"));
    EXPECT_FALSE(Exists("one"));
    EXPECT_FALSE(Exists("two"));
    JobStore(*hive_, clock_, *locale_).DeleteJob("Demo");
  }
}

TEST_F(SynchronisationRunTest, TheLogNamesTheJobAsItIsStored) {
  Save(BaseJob());
  const RunResult result = Run("dEMO");
  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(LogLines()[1], "Auftrag:      Demo");
  EXPECT_EQ(host_.labels[static_cast<int>(ProgressLabel::kJob)], "Demo");
}

TEST_F(SynchronisationRunTest, DeletePassRemovesReadOnlyAndHiddenButKeepsFilteredFiles) {
  JobDefinition job = BaseJob();
  job.CritAll = true;
  job.DelOthers = true;
  job.FilterType = 1;
  job.Filter = "*.txt";
  Save(job);
  Put("one/keep.txt", "k", 0);
  Put("two/keep.txt", "old", 0);
  Put("two/.hidden.txt", "h", 0);
  const std::string read_only = Put("two/sub/locked.txt", "r", 0);
  ASSERT_EQ(fs_->SetPermissions(read_only, kReadOnlyBits), 0);
  Put("two/other.dat", "filtered out", 0);
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("two/empty/")));

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(ReadFile(PathOf("two/keep.txt")), "k");
  EXPECT_FALSE(Exists("two/.hidden.txt"));
  EXPECT_FALSE(Exists("two/sub/locked.txt"));
  EXPECT_TRUE(Exists("two/other.dat"));
  EXPECT_TRUE(fs_->Stat(PathOf("two/empty")).is_directory);
  EXPECT_TRUE(fs_->Stat(PathOf("two/sub")).is_directory);
  EXPECT_EQ(host_.bars[1].value, host_.bars[1].maximum);
}

TEST_F(SynchronisationRunTest, BothWaysWithDeletionDeletesNothing) {
  JobDefinition job = BaseJob();
  job.DirUp = true;
  job.DelOthers = true;
  Save(job);
  Put("one/a.txt", "a", 0);
  Put("two/only.txt", "o", 0);
  Run();
  EXPECT_EQ(ReadFile(PathOf("one/only.txt")), "o");
  EXPECT_EQ(ReadFile(PathOf("two/only.txt")), "o");
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
}

TEST_F(SynchronisationRunTest, OnlyDirUpCopiesFromDirectoryTwo) {
  JobDefinition job = BaseJob();
  job.DirDown = false;
  job.DirUp = true;
  Save(job);
  Put("two/up.txt", "u", 0);
  Run();
  EXPECT_EQ(ReadFile(PathOf("one/up.txt")), "u");
  EXPECT_EQ(host_.labels[static_cast<int>(ProgressLabel::kDir1)], dir1_ + N("/"));
}

TEST_F(SynchronisationRunTest, JobWithoutDirectionTouchesNoDirectory) {
  JobDefinition job = BaseJob();
  job.DirDown = false;
  Save(job);
  // A minute and a half passes while the tick counter wraps.
  const uint32_t start = 0xFFFFFFFFu - 29999u;
  clock_.SetTick(start);
  host_.on_events = [this, start](FakeRunHost&) { clock_.SetTick(start + 90000u); };
  const RunResult result = Run();
  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_TRUE(LogHas("Dauer:        1,50 Minuten"));
  EXPECT_FALSE(Exists("one"));
  EXPECT_FALSE(Exists("two"));
  EXPECT_TRUE(LogHas("Dateien:      0"));
  EXPECT_EQ(Execution(), "08. Dezember 2026, 14:05 Uhr");
  EXPECT_EQ(NextSync(), kNextSync);
}

TEST_F(SynchronisationRunTest, CancelWhileCollectingCopiesAndDeletesNothing) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  Put("one/a.txt", "a", 0);
  Put("two/z.txt", "z", 0);
  host_.on_events = [](FakeRunHost& host) {
    if (host.labels[static_cast<int>(ProgressLabel::kAction)].find(" wird eingelesen...") !=
        std::string::npos) {
      host.control.SetCancelRequested(true);
    }
  };

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCancelled);
  EXPECT_FALSE(Exists("two/a.txt"));
  EXPECT_TRUE(Exists("two/z.txt"));
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[4], "Grund:        Abbruch der Durchführung");
  EXPECT_EQ(lines[5], kInnerRule);
  EXPECT_EQ(Execution(), "n/a");
  EXPECT_EQ(NextSync(), kNextSync);
  EXPECT_FALSE(host_.control.CancelRequested());
  EXPECT_FALSE(host_.control.RunInProgress());
}

TEST_F(SynchronisationRunTest, CancelDuringCopyLeavesTheOldTargetAndSkipsTheDeletePass) {
  JobDefinition job = BaseJob();
  job.CritAll = true;
  job.DelOthers = true;
  Save(job);
  Put("one/big.bin", std::string(300000, 'n'), 0);
  Put("two/big.bin", "old content", 0);
  Put("two/surplus.txt", "s", 0);
  host_.options.copy_buffer_size = 32767;
  host_.on_events = [](FakeRunHost& host) {
    if (host.bars[0].value > 0 && host.bars[0].value < host.bars[0].maximum)
      host.control.SetCancelRequested(true);
  };

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCancelled);
  EXPECT_EQ(ReadFile(PathOf("two/big.bin")), "old content");
  EXPECT_TRUE(Exists("two/surplus.txt"));
  EXPECT_TRUE(LogHas("Fehler:       " + dir1_ + N("/big.bin konnte nicht synchronisiert werden.")));
  EXPECT_EQ(LogLines().back(), kInnerRule);
  EXPECT_TRUE(LogHas("Grund:        Abbruch der Durchführung"));
  EXPECT_EQ(Execution(), "n/a");
}

TEST_F(SynchronisationRunTest, CancelDuringDeletePassStillDeletesEverySurplusFile) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  Put("one/a.txt", "a", 0);
  for (int i = 0; i < 5; ++i) Put("two/surplus" + std::to_string(i) + ".txt", "s", 0);
  host_.on_events = [](FakeRunHost& host) {
    if (host.labels[static_cast<int>(ProgressLabel::kAction)].find(" wird gelöscht...") !=
        std::string::npos) {
      host.control.SetCancelRequested(true);
    }
  };

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCancelled);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(Exists("two/surplus" + std::to_string(i) + ".txt"));
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
  EXPECT_TRUE(LogHas("Grund:        Abbruch der Durchführung"));
}

TEST_F(SynchronisationRunTest, MissingValueTakesTheFailurePath) {
  Save(BaseJob());
  RegKey handle = 0;
  ASSERT_EQ(hive_->OpenKey(std::string(kJobsKeyPrefix) + "Demo", false, &handle), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(handle, "CRC32"), RegStatus::kOk);
  hive_->CloseKey(handle);
  Put("one/a.txt", "a", 0);
  host_.control.SetCancelRequested(true);  // a stale request is cleared by the failure path

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kFailed);
  EXPECT_NE(result.failure_reason.find("CRC32"), std::string::npos);
  ASSERT_EQ(host_.failures.size(), 1u);
  EXPECT_EQ(host_.failures[0], "Die Synchronisation ist fehlgeschlagen!");
  EXPECT_FALSE(Exists("two/a.txt"));
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[4], "Grund:        Abbruch der Durchführung");
  EXPECT_EQ(NextSync(), kNextSync);
  EXPECT_EQ(Execution(), "n/a");
  EXPECT_FALSE(host_.control.CancelRequested());
  EXPECT_FALSE(host_.control.RunInProgress());
  EXPECT_FALSE(host_.icon_cycling);
}

TEST_F(SynchronisationRunTest, EmptyOrMissingSendingSideDeletesNothing) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  Put("two/precious.txt", "p", 0);

  // The sending root does not exist: it is created, and nothing is deleted.
  RunResult result = Run();
  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_TRUE(fs_->Stat(dir1_).is_directory);
  EXPECT_TRUE(Exists("two/precious.txt"));
  EXPECT_TRUE(
      LogHas("Fehler:       " + dir1_ + N("/ ist leer oder fehlt; es wurde nichts gelöscht.")));
  EXPECT_EQ(host_.bars[1].value, host_.bars[1].maximum);

  // Now it exists but is empty: still nothing is deleted.
  result = Run();
  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_TRUE(Exists("two/precious.txt"));
  EXPECT_EQ(Execution(), "08. Dezember 2026, 14:05 Uhr");

  // It holds files, but the filter admits none of them: the line says so.
  job.Name = "Filtered";
  job.FilterType = 1;
  job.Filter = "*.txt";
  Save(job);
  Put("one/only.dat", "d", 0);
  result = Run("Filtered");
  EXPECT_TRUE(Exists("two/precious.txt"));
  EXPECT_EQ(
      LogLines()[LogLines().size() - 7],
      "Fehler:       " + dir1_ + N("/ enthält keine passenden Dateien; es wurde nichts gelöscht."));
}

TEST_F(SynchronisationRunTest, ReceivingFileWhoseCounterpartExistsButIsTooOldIsKept) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  job.FilterOld = true;
  job.FilterValue = 14;
  Save(job);
  clock_.Set(fs_->LocalTimeOf(kBaseSeconds * kSecond));
  Put("one/recent.txt", "r", -3600);
  Put("one/old.txt", "old source", -30 * 86400);
  Put("two/old.txt", "edited lately", -86400);
  Put("two/surplus.txt", "s", -86400);

  Run();

  EXPECT_EQ(ReadFile(PathOf("two/old.txt")), "edited lately");
  EXPECT_FALSE(Exists("two/surplus.txt"));
  EXPECT_EQ(ReadFile(PathOf("two/recent.txt")), "r");
}

TEST_F(SynchronisationRunTest, TimesMatchAtTheResolutionTheReceivingDiskKeeps) {
  testing::FaultyFileSystem faulty(*fs_);
  faulty.time_step_ns = 2 * kSecond;  // as FAT keeps them
  // Odd seconds with a fraction, as a disk with nanoseconds keeps them.
  const auto put = [this](const std::string& relative, const std::string& content, int seconds) {
    const std::string path = Put(relative, content, seconds);
    const int64_t ns = (kBaseSeconds + seconds) * kSecond + 700000000;
    fs_->SetTimes(path, ns, ns);
  };
  Save(BaseJob());
  for (const char* name : {"a", "b", "c"}) put(std::string("one/") + name, "x", 1);
  EXPECT_EQ(Run("Demo", &faulty).files, 3);
  EXPECT_EQ(Run("Demo", &faulty).files, 0);
  put("one/b", "y", 5);  // changed later still, at the same size
  EXPECT_EQ(Run("Demo", &faulty).files, 1);
  EXPECT_EQ(ReadFile(PathOf("two/b")), "y");

  // Both ways: nothing goes back and forth, and files of different sizes whose times agree at
  // the drive's resolution are a conflict.
  JobDefinition both = BaseJob();
  both.Name = "Both";
  both.Dir1 = PathOf("b1");
  both.Dir2 = PathOf("b2");
  both.DirUp = true;
  Save(both);
  put("b1/a", "a", 1);
  put("b2/z", "z", 3);
  EXPECT_EQ(Run("Both", &faulty).files, 2);
  EXPECT_EQ(Run("Both", &faulty).files, 0);
  put("b1/c", "short", 7);
  put("b2/c", "longer", 6);
  const RunResult conflict = Run("Both", &faulty);
  EXPECT_EQ(conflict.files, 0);
  EXPECT_EQ(conflict.failed_files, 1);
  EXPECT_TRUE(LogHas("Fehler:       " + PathOf("b1/c") +
                     " wurde auf beiden Seiten geändert und nicht überschrieben."));

  // A disk that keeps no times at all: its files bear the moment they were written, which
  // makes none of them newer; one whose size changed is.
  faulty.times_ignored = true;
  both.Name = "Loose";
  both.Dir1 = PathOf("l1");
  both.Dir2 = PathOf("l2");
  Save(both);
  Put("l1/a", "a", 0);
  Put("l2/z", "z", 0);
  EXPECT_EQ(Run("Loose", &faulty).files, 2);
  EXPECT_EQ(Run("Loose", &faulty).files, 0);
  const std::string line = "Fehler:       " + PathOf("l2") +
                           N("/ kann keine Zeitstempel speichern; Dateien gleicher Größe gelten "
                             "dort als unverändert.");
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 2);  // once per run
  WriteFile("l2/a", "edited on the stick");
  EXPECT_EQ(Run("Loose", &faulty).files, 1);
  EXPECT_EQ(ReadFile(PathOf("l1/a")), "edited on the stick");
}

TEST_F(SynchronisationRunTest, OverlappingRootsAreRefused) {
  JobDefinition job = BaseJob();
  job.CritAll = true;
  job.DelOthers = true;
  job.Dir2 = dir1_ + N("/inner");
  Save(job);
  Put("one/a.txt", "a", 0);

  RunResult result = Run();
  EXPECT_EQ(result.outcome, RunOutcome::kFailed);
  EXPECT_FALSE(Exists("one/inner/a.txt"));
  EXPECT_TRUE(LogHas("Fehler:       Verzeichnis 1 und Verzeichnis 2 überschneiden sich."));
  EXPECT_EQ(host_.failures.size(), 1u);
  EXPECT_FALSE(Exists("one/inner"));  // nothing is created for a refused job

  // Neither root exists yet; the second one leads into the first through "..".
  job.Dir1 = PathOf("none/a");
  job.Dir2 = PathOf("none/b/../a/c");
  job.Name = "Missing";
  Save(job);
  EXPECT_EQ(Run("Missing").outcome, RunOutcome::kFailed);
  EXPECT_FALSE(Exists("none"));
}

TEST_F(SynchronisationRunTest, SecondRunOfARunningJobIsRefusedWithoutTouchingTheFirst) {
  JobDefinition job = BaseJob();
  job.CritAll = true;
  Save(job);
  Put("one/a.txt", "a", 0);

  // A run under way in this process.
  host_.control.SetRunInProgress(true);
  host_.control.SetCancelRequested(true);
  host_.panel_visible = true;
  RunResult result = Run();
  EXPECT_EQ(result.outcome, RunOutcome::kFailed);
  EXPECT_TRUE(host_.control.RunInProgress());
  EXPECT_TRUE(host_.control.CancelRequested());
  EXPECT_TRUE(host_.panel_visible);
  EXPECT_FALSE(Exists("two/a.txt"));
  EXPECT_TRUE(LogHas("Fehler:       Auftrag wird bereits durchgeführt."));
  EXPECT_EQ(LogLines().back(), kInnerRule);

  // A run under way in another process holds the job's lock (names ignore case).
  host_.control.SetRunInProgress(false);
  host_.control.SetCancelRequested(false);
  std::unique_ptr<RunLocks> other = CreateRunLocks(PathOf("locks"));
  std::unique_ptr<RunLock> held;
  ASSERT_EQ(other->TryLock("DEMO", &held), RunLockStatus::kAcquired);
  result = Run();
  EXPECT_EQ(result.outcome, RunOutcome::kFailed);
  EXPECT_FALSE(Exists("two/a.txt"));

  held.reset();
  result = Run();
  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
}

TEST_F(SynchronisationRunTest, UnwritableLogNeitherStopsTheRunNorLeavesAFlag) {
  JobDefinition job = BaseJob();
  Save(job);
  Put("one/a.txt", "a", 0);
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("parvolind.log/")));  // a folder: no line fits

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  ASSERT_TRUE(result.log_error.has_value());
  EXPECT_FALSE(result.log_error->empty());
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
  EXPECT_FALSE(host_.control.RunInProgress());
  EXPECT_FALSE(host_.icon_cycling);
  EXPECT_EQ(Execution(), "08. Dezember 2026, 14:05 Uhr");
}

TEST_F(SynchronisationRunTest, DeletedJobFailsAndIsNotBroughtBack) {
  const RunResult result = Run("Gone");
  EXPECT_EQ(result.outcome, RunOutcome::kFailed);
  EXPECT_EQ(host_.failures.size(), 1u);
  JobStore store(*hive_, clock_, *locale_);
  EXPECT_FALSE(store.JobExists("Gone"));
  EXPECT_EQ(LogLines().size(), 6u);
  EXPECT_FALSE(host_.control.RunInProgress());
}

TEST_F(SynchronisationRunTest, JobDeletedDuringTheRunIsNotBroughtBack) {
  Save(BaseJob());
  Put("one/a.txt", "a", 0);
  JobStore store(*hive_, clock_, *locale_);
  host_.on_events = [&store](FakeRunHost& host) {
    if (host.labels[static_cast<int>(ProgressLabel::kAction)] == "Daten werden verglichen...") {
      store.DeleteJob("Demo");
    }
  };

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kFailed);
  EXPECT_FALSE(store.JobExists("Demo"));
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
  EXPECT_EQ(LogLines().back(), kInnerRule);
  EXPECT_TRUE(LogHas("Grund:        Abbruch der Durchführung"));
  EXPECT_FALSE(LogHas("Grund:        Ende der Durchführung"));
}

TEST_F(SynchronisationRunTest, ReplacementsLandTogetherAndOneFailureSparesTheOthers) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  const std::vector<std::string> names = {"a", "b", "c", "d", "e"};
  for (const std::string& name : names) {
    Put("one/" + name, "new " + name, 100);
    Put("two/" + name, "old " + name, 0);
  }
  Put("two/surplus", "s", 0);
  testing::FaultyFileSystem faulty(*fs_);
  faulty.failing_sync = N("one/b");
  faulty.failing_rename = N("two/d");

  RunResult result = Run("Demo", &faulty);

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(result.files, 5);
  EXPECT_EQ(result.failed_files, 2);
  for (const std::string& name : names) {
    const bool fails = name == "b" || name == "d";
    EXPECT_EQ(ReadFile(PathOf("two/" + name)), (fails ? "old " : "new ") + name);
    EXPECT_EQ(
        LogHas("Fehler:       " + dir1_ + N("/") + name + " konnte nicht synchronisiert werden."),
        fails);
  }
  EXPECT_FALSE(Exists("two/surplus"));
  // The syncs came after all copies, not one after each.
  const auto first_sync = std::find(faulty.steps.begin(), faulty.steps.end(), "sync");
  EXPECT_EQ(std::count(first_sync, faulty.steps.end(), "create"), 0);

  // A cancelled run still puts its complete copies in place: cancelled during the third copy,
  // the two before it have landed.
  for (const std::string& name : names) Put("one/" + name, "newer " + name, 200);
  faulty.failing_sync.clear();
  faulty.failing_rename.clear();
  const auto copies_before = static_cast<std::ptrdiff_t>(host_.actions.size());
  host_.on_events = [copies_before](FakeRunHost& host) {
    host.control.SetCancelRequested(
        std::count_if(host.actions.begin() + copies_before, host.actions.end(),
                      [](const std::string& action) {
                        return action.find(" wird kopiert") != std::string::npos;
                      }) >= 3);
  };
  result = Run("Demo", &faulty);
  EXPECT_EQ(result.outcome, RunOutcome::kCancelled);
  int landed = 0;
  for (const std::string& name : names) {
    landed += ReadFile(PathOf("two/" + name)) == "newer " + name ? 1 : 0;
  }
  EXPECT_EQ(landed, 2);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(PathOf("two"))) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, names);
}

TEST_F(SynchronisationRunTest, StaleTemporaryFilesAreRemovedOnTheReceivingSideOnly) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  Put("one/a.txt", "a", 0);
  const std::string prefix(FileTransfer::kTemporaryPrefix);
  const std::string stale = Put("two/sub/" + prefix + "4242-abcdefghij", "half a copy", 0);
  const std::string sending_stale = Put("one/" + prefix + "4242-klmnopqrst", "half a copy", 0);
  Put("one/" + prefix + "notes", "the user's own", 0);
  // The clock stands an hour after the temporary files were last written.
  clock_.Set(fs_->LocalTimeOf((kBaseSeconds + 3600) * kSecond));

  const RunResult result = Run();

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_FALSE(fs_->Stat(stale).exists);
  EXPECT_TRUE(fs_->Stat(sending_stale).exists);
  EXPECT_FALSE(Exists("two/" + prefix + "4242-klmnopqrst"));
  EXPECT_EQ(ReadFile(PathOf("two/" + prefix + "notes")), "the user's own");
  EXPECT_EQ(ReadFile(PathOf("one/" + prefix + "notes")), "the user's own");
  EXPECT_TRUE(LogHas("Dateien:      2"));
}

TEST_F(SynchronisationRunTest, AFolderReadOnlyInPartOrNotAtAllKeepsEverythingBelowIt) {
  JobDefinition job = BaseJob();
  job.DelOthers = true;
  Save(job);
  for (const std::string name : {"1", "2", "3", "4", "5"}) {
    Put("one/damaged/" + name, name, 0);
    Put("two/damaged/" + name, name, 0);
  }
  // Where the reading broke off, these may be there too.
  Put("two/damaged/6", "6", 0);
  Put("two/damaged/7", "7", 0);
  Put("one/locked/x", "x", 0);
  Put("two/locked/x", "x", 0);
  Put("two/unknown.txt", "its counterpart cannot be looked at", 0);
  Put("two/surplus.txt", "s", 0);
  testing::FaultyFileSystem faulty(*fs_);
  faulty.failing_directory = N("one/damaged/");
  faulty.entries_before_failure = 2;
  faulty.failing_status = N("one/unknown.txt");

  RunResult result = Run("Demo", &faulty);

  EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(result.failed_files, 1);
  EXPECT_TRUE(
      LogHas("Fehler:       " + dir1_ + N("/damaged/ konnte nicht vollständig gelesen werden.")));
  for (const std::string name : {"1", "2", "3", "4", "5", "6", "7"}) {
    EXPECT_TRUE(Exists("two/damaged/" + name));
  }
  EXPECT_TRUE(Exists("two/unknown.txt"));
  EXPECT_FALSE(Exists("two/surplus.txt"));

  // A folder that cannot be opened at all is a failure too, and keeps what lies below it.
  Put("two/locked/y", "y", 0);
  faulty.failing_directory = N("one/locked/");
  faulty.entries_before_failure = -1;
  result = Run("Demo", &faulty);
  EXPECT_EQ(result.failed_files, 1);
  EXPECT_TRUE(LogHas("Fehler:       " + dir1_ + N("/locked/ konnte nicht gelesen werden.")));
  EXPECT_TRUE(Exists("two/locked/y"));
}

TEST(PathIndexTest, FindsTheFirstEntryNotRemovedLikeALinearSearch) {
  const FileList paths{"/r/a", "/r/B", "/r/b", "/r/sub/c", "/r/A"};
  PathIndex exact(paths, 3, false);
  EXPECT_EQ(exact.Find("a"), 0u);
  EXPECT_EQ(exact.Find("A"), 4u);
  EXPECT_EQ(exact.Find("sub/c"), 3u);
  EXPECT_EQ(exact.Find("c"), PathIndex::kNotFound);
  exact.Remove(0);
  EXPECT_EQ(exact.Find("a"), PathIndex::kNotFound);
  EXPECT_EQ(exact.RemainingCount(), 4u);

  // Where names ignore case, equal names are found in list order.
  PathIndex folded(paths, 3, true);
  EXPECT_EQ(folded.Find("b"), 1u);
  folded.Remove(1);
  EXPECT_EQ(folded.Find("b"), 2u);
  folded.Remove(2);
  EXPECT_EQ(folded.Find("B"), PathIndex::kNotFound);
  EXPECT_EQ(folded.Find("a"), 0u);
  folded.Remove(0);
  EXPECT_EQ(folded.Find("a"), 4u);
}

TEST(PathIndexTest, ManyEntriesAreAllFound) {
  std::vector<std::string> paths;
  for (int i = 0; i < 20000; ++i)
    paths.push_back("/root/d" + std::to_string(i % 97) + "/f" + std::to_string(i));
  FileList list;
  for (const std::string& path : paths) list.Add(path);
  // The key may also begin within a file's folder or its name.
  PathIndex index(list, 6);
  for (size_t i = 0; i < paths.size(); ++i) ASSERT_EQ(index.Find(paths[i].substr(6)), i);
  PathIndex by_name(list, 10);
  EXPECT_EQ(by_name.Find("5"), 5u);
}

// The file system of the machine without files that have no name: every new file is copied in its
// turn, one by one, through a named temporary file.
class OneByOne : public testing::FaultyFileSystem {
 public:
  using FaultyFileSystem::FaultyFileSystem;
  std::unique_ptr<File> CreateUnnamedFile(const std::string&, int* error, uint32_t) override {
    if (error != nullptr) *error = EOPNOTSUPP;
    return nullptr;
  }
};

// Copies of new files made ready ahead, out of order, are finished in the list's order: the same
// actions shown, the same log lines (a failing copy among them too), the same counts and files as
// when every file is copied in its turn; and a cancel leaves nothing of the files not yet reached.
TEST_F(SynchronisationRunTest, CopiesMadeReadyAheadShowAndLogWhatCopiesOneByOneWould) {
  for (const char* folder : {"a", "b"}) {
    for (int i = 0; i < 12; ++i) {
      Put(std::string("one/") + folder + "/f" + std::to_string(10 + i), std::string(i * 50, 'x'),
          i);
    }
  }
  Put("one/a/big", std::string(300000, 'y'), 3);
  Put("two/b/f13", "kept, newer", 100);
  Save(BaseJob());
  JobDefinition mirror = BaseJob();
  mirror.Name = "Mirror";
  mirror.DelOthers = true;
  Save(mirror);

  struct Seen {
    RunResult result;
    std::vector<std::string> actions;
    std::vector<std::string> log;
    std::vector<std::string> files;
  };
  // One run with `fs`, cancelled at the `cancel_at`-th turn of events while a file is copied (none
  // at 0); its target is put aside.
  const auto run = [&](const std::string& name, testing::FaultyFileSystem& fs, int cancel_at,
                       const std::string& aside) {
    fs.failing_open = std::string("a") + kPathSeparator + "f14";
    host_ = FakeRunHost();
    int copies = 0;
    host_.on_events = [&](FakeRunHost& host) {
      if (host.labels[static_cast<int>(ProgressLabel::kAction)].find("kopiert") !=
              std::string::npos &&
          ++copies == cancel_at) {
        host.control.SetCancelRequested(true);
      }
    };
    Seen seen;
    seen.result = Run(name, &fs);
    seen.actions = host_.actions;
    seen.log = LogLines();
    std::filesystem::remove(PathOf("parvolind.log"));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir2_)) {
      const std::string content = entry.is_regular_file() ? ReadFile(entry.path().string()) : "";
      seen.files.push_back(entry.path().string().substr(dir2_.size()) + " " +
                           std::to_string(std::hash<std::string>()(content)));
    }
    std::sort(seen.files.begin(), seen.files.end());
    std::filesystem::copy(PathOf("two/b/f13"), PathOf("kept"));
    std::filesystem::rename(dir2_, PathOf(aside));
    std::filesystem::create_directories(PathOf("two/b"));
    std::filesystem::rename(PathOf("kept"), PathOf("two/b/f13"));
    return seen;
  };
  // Without and with deletion: the copies go by a look at each target, or by the receiving list.
  for (const int cancel_at : {0, 7, -1}) {
    const std::string name = cancel_at < 0 ? "Mirror" : "Demo";
    testing::FaultyFileSystem ahead(*fs_);
    OneByOne one_by_one(*fs_);
    const Seen expected =
        run(name, one_by_one, cancel_at, "one-by-one" + std::to_string(cancel_at));
    const Seen seen = run(name, ahead, cancel_at, "ahead" + std::to_string(cancel_at));
    EXPECT_EQ(seen.result.outcome, expected.result.outcome);
    EXPECT_EQ(seen.result.files, expected.result.files);
    EXPECT_EQ(seen.result.failed_files, expected.result.failed_files);
    EXPECT_EQ(seen.actions, expected.actions);
    EXPECT_EQ(seen.log, expected.log);
    EXPECT_EQ(seen.files, expected.files);
    if (cancel_at <= 0) {
      EXPECT_NE(std::find(expected.log.begin(), expected.log.end(),
                          "Fehler:       " + dir1_ + kPathSeparator + "a" + kPathSeparator +
                              "f14 konnte nicht synchronisiert werden."),
                expected.log.end());
      EXPECT_EQ(expected.files.size(), 2u + 24u + 1u - 1u);
    }
  }
}

}  // namespace
}  // namespace parvolind
