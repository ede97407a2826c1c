#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <memory>
#include <string>

#include "platform/run_lock.h"
#include "store/job_store.h"
#include "support/cli_process.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::CliResult;

class CliPreviewTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    const std::string cli = testing::CliUnderTest();
    ASSERT_FALSE(cli.empty());
    // A copy of the program in the temporary folder would log beside itself, there.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PathOf("bin"))));
    cli_ = PathOf("bin/parvolind-cli");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(cli), QString::fromStdString(cli_)));
    std::string error;
    hive_ = OpenUserRegistryHive(&error);
    ASSERT_TRUE(hive_) << error;
  }

  CliResult RunCli(const QStringList& arguments) const { return testing::RunCli(cli_, arguments); }

  std::string cli_;
  testing::FakeClock clock_;
  std::unique_ptr<Locale> locale_ = CreateLocale("de_DE");
  std::unique_ptr<RegistryHive> hive_;
};

TEST_F(CliPreviewTest, ListsTheRunsActionsChangesNothingAndExitsAsTheRunWould) {
  JobDefinition job;
  job.Name = "Sicherung";
  job.Dir1 = PathOf("one");
  job.Dir2 = PathOf("two");
  job.DirDown = true;
  job.CritAll = true;
  job.DelOthers = true;
  job.CRC32 = false;
  JobStore(*hive_, clock_, *locale_).SaveJob(job, "", [](const std::string&) { return 0.0; });
  WriteFile("one/neu.txt", "12345");
  WriteFile("one/a\nb.txt", "x");
  WriteFile("one/alt.txt", "neu");
  WriteFile("two/alt.txt", "alt");
  WriteFile("two/weg.txt", "weg");

  const CliResult result = RunCli({"preview", "sicherung"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  const std::string one = PathOf("one/");
  const std::string two = PathOf("two/");
  // One line per action, in the order of the run (the walk's order within a folder).
  for (const std::string& line :
       {"kopieren\t" + one + "neu.txt\t" + two + "neu.txt\n",
        "kopieren\t" + one + "a?b.txt\t" + two + "a?b.txt\n",
        "ersetzen\t" + one + "alt.txt\t" + two + "alt.txt\n", "löschen\t\t" + two + "weg.txt\n"}) {
    EXPECT_NE(result.out.find(line), std::string::npos) << line << result.out;
  }
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 4);
  EXPECT_EQ(result.err,
            "2 Datei(en) kopieren, 1 ersetzen, 1 löschen, 0 Konflikt(e); 9 Bytes zu übertragen.\n");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(two + "neu.txt")));
  EXPECT_EQ(ReadFile(two + "weg.txt"), "weg");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("bin/parvolind.log"))));

  EXPECT_EQ(RunCli({"preview", "Unbekannt"}).exit_code, 2);
  EXPECT_EQ(RunCli({"preview"}).exit_code, 2);
  std::unique_ptr<RunLocks> locks = CreateUserRunLocks();
  std::unique_ptr<RunLock> held;
  ASSERT_EQ(locks->TryLock("Sicherung", &held), RunLockStatus::kAcquired);
  const CliResult refused = RunCli({"preview", "Sicherung"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("Auftrag wird bereits durchgeführt."), std::string::npos);
  EXPECT_EQ(refused.out, "");

  const CliResult help = RunCli({"--help"});
  EXPECT_NE(help.out.find("  preview NAME"), std::string::npos);
}

}  // namespace
}  // namespace parvolind
