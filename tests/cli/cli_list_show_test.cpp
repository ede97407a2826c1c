#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "store/job_store.h"
#include "store/registry_key.h"
#include "support/cli_process.h"
#include "support/test_environment.h"
#include "support/write_protection.h"

namespace parvolind {
namespace {

using testing::CliResult;

class CliListShowTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    cli_ = testing::CliUnderTest();
    ASSERT_FALSE(cli_.empty());
    std::string error;
    hive_ = OpenUserRegistryHive(&error);  // where the CLI will look, below XDG_CONFIG_HOME
    ASSERT_TRUE(hive_) << error;
    store_ = std::make_unique<JobStore>(*hive_, clock_, *locale_);
  }

  // Runs the CLI under German regional settings; the store is found through the
  // XDG variables the fixture set.
  CliResult RunCli(const QStringList& arguments) const { return testing::RunCli(cli_, arguments); }

  void Save(const std::string& name, bool interval, bool time_of_day, bool weekdays = true) {
    JobDefinition job;
    job.Name = name;
    job.Dir1 = "/daten/";
    job.Dir2 = "/sicherung/";
    job.IntEnabled = interval;
    job.Intervall = 15;
    job.TimeEnabled = time_of_day;
    job.Time = "18:00";
    job.OnMonday = job.OnTuesday = job.OnWednesday = job.OnThursday = job.OnFriday =
        job.OnSaturday = job.OnSunday = weekdays;
    store_->SaveJob(job, "", [](const std::string&) { return 46364.75; });
  }

  testing::FakeClock clock_{{2026, 12, 8, 14, 5, 9, 0}};
  std::unique_ptr<Locale> locale_ = CreateLocale("de_DE");
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<JobStore> store_;
  std::string cli_;
};

TEST_F(CliListShowTest, ListsJobsInListOrderWithTheirScheduleTexts) {
  CliResult empty = RunCli({"list"});
  EXPECT_EQ(empty.exit_code, 0) << empty.err;
  EXPECT_EQ(empty.out, "");

  Save("zulu", true, false);
  Save("Alpha", false, false);
  Save("beta 2", false, true);
  Save("Beta 1", true, true, false);  // no weekday: manual on every day
  const CliResult listed = RunCli({"list"});
  EXPECT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "Alpha\tmanuell\n"
            "Beta 1\tmanuell\n"
            "beta 2\t18:00 Uhr\n"
            "zulu\t15 Minute(n)\n");

  // A job whose text cannot be computed shows the error and fails the command,
  // but the other jobs are still listed.
  RegKey broken = 0;
  ASSERT_EQ(hive_->OpenKey(JobKeyPath("Kaputt"), true, &broken), RegStatus::kOk);
  hive_->CloseKey(broken);
  const CliResult with_broken = RunCli({"list"});
  EXPECT_EQ(with_broken.exit_code, 1);
  EXPECT_EQ(with_broken.out,
            "Alpha\tmanuell\n"
            "Beta 1\tmanuell\n"
            "beta 2\t18:00 Uhr\n"
            "Kaputt\tFehler beim Holen der Daten für 'Intervall'\n"
            "zulu\t15 Minute(n)\n");

  EXPECT_EQ(RunCli({"list", "extra"}).exit_code, 2);
}

TEST_F(CliListShowTest, ShowsEveryStoredValue) {
  Save("Backup", true, false);
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Backup"), false));
    key.WriteString("Notiz", "von Hand");
  }
  RegKey raw = 0;
  ASSERT_EQ(hive_->OpenKey(JobKeyPath("Backup"), false, &raw), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(raw, "CRC32"), RegStatus::kOk);
  hive_->CloseKey(raw);

  const CliResult shown = RunCli({"show", "backup"});
  EXPECT_EQ(shown.exit_code, 0) << shown.err;
  EXPECT_EQ(shown.out,
            "Name=Backup\n"
            "Definition=08. Dezember 2026, 14:05 Uhr\n"
            "Execution=n/a\n"
            "Dir1=/daten/\n"
            "Dir2=/sicherung/\n"
            "SubDirs=1\n"
            "DirUp=0\n"
            "DirDown=0\n"
            "CritAll=1\n"
            "CritNew=0\n"
            "CritNewer=0\n"
            "ArchivBit=0\n"
            "DelOthers=1\n"
            "FilterType=0\n"
            "Filter=\n"
            "FilterOld=0\n"
            "FilterValue=14\n"
            "Intervall=15\n"
            "IntEnabled=1\n"
            "Time=18:00\n"
            "TimeEnabled=0\n"
            "OnMonday=1\n"
            "OnTuesday=1\n"
            "OnWednesday=1\n"
            "OnThursday=1\n"
            "OnFriday=1\n"
            "OnSaturday=1\n"
            "OnSunday=1\n"
            "CRC32=<fehlt>\n"
            "NextSync=08.12.2026 18:00 (46364.75)\n"
            "Recover=2\n"
            "Confirm=<fehlt>\n"
            "Notiz=von Hand\n");

  {  // a mistyped value is shown with the store's text and fails the command
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Backup"), false));
    key.WriteString("Recover", "2");
  }
  const CliResult mistyped = RunCli({"show", "Backup"});
  EXPECT_EQ(mistyped.exit_code, 1);
  EXPECT_NE(mistyped.out.find("Recover=<Ungültiger Datentyp für 'Recover'>\n"), std::string::npos)
      << mistyped.out;
}

TEST_F(CliListShowTest, ShowRefusesUnknownJobsAndWrongCalls) {
  Save("Backup", false, false);
  const CliResult unknown = RunCli({"show", "Nichts"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_NE(unknown.err.find("Nichts"), std::string::npos);
  EXPECT_EQ(RunCli({"show", ""}).exit_code, 2);
  EXPECT_EQ(RunCli({"show"}).exit_code, 2);
  EXPECT_EQ(RunCli({"show", "Backup", "mehr"}).exit_code, 2);
}

TEST_F(CliListShowTest, ReadingCommandsWorkOnAWriteProtectedStore) {
  Save("Backup", true, false);
  // No connection stays open: then there is no shared-memory file beside the
  // store, and the write-protected folder lets no reader create one.
  store_.reset();
  hive_.reset();
  const std::string folder = std::string(std::getenv("XDG_CONFIG_HOME")) + "/parvolind";
  const std::string import_file = WriteFile(
      "neu.reg", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Neu]\r\n");
  testing::WriteProtection protection({folder + "/registry.sqlite", folder});
  if (!protection.Active()) GTEST_SKIP() << "no immutable flag on this file system";

  const CliResult listed = RunCli({"list"});
  EXPECT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_EQ(listed.out, "Backup\t15 Minute(n)\n");
  const CliResult shown = RunCli({"show", "Backup"});
  EXPECT_EQ(shown.exit_code, 0) << shown.err;
  EXPECT_NE(shown.out.find("Dir1=/daten/\n"), std::string::npos) << shown.out;
  const CliResult exported = RunCli({"export", QString::fromStdString(PathOf("backup.reg"))});
  EXPECT_EQ(exported.exit_code, 0) << exported.err;
  EXPECT_NE(ReadFile(PathOf("backup.reg")).find("\"Dir1\"=\"/daten/\""), std::string::npos);

  const CliResult imported = RunCli({"import", QString::fromStdString(import_file)});
  EXPECT_EQ(imported.exit_code, 1);
  EXPECT_NE(imported.err.find("ist schreibgeschützt"), std::string::npos) << imported.err;
}

TEST_F(CliListShowTest, ShowReportsADamagedStoreInsteadOfMissingValues) {
  Save("Backup", true, false);
  store_.reset();
  hive_.reset();  // the last connection folds the journal into the store
  const std::string path =
      std::string(std::getenv("XDG_CONFIG_HOME")) + "/parvolind/registry.sqlite";
  std::string bytes = ReadFile(path);
  // The page that holds the job's values, damaged as a failing disk would leave it.
  constexpr size_t kPage = 4096;
  const size_t found = bytes.find("/sicherung/");
  ASSERT_NE(found, std::string::npos);
  const size_t page = found / kPage * kPage;
  bytes.replace(page, std::min(kPage, bytes.size() - page), std::min(kPage, bytes.size() - page),
                '\x5a');
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  const CliResult shown = RunCli({"show", "Backup"});
  EXPECT_EQ(shown.exit_code, 1);
  EXPECT_NE(shown.out.find("Dir1=<Fehler beim Holen der Daten für 'Dir1'>\n"), std::string::npos)
      << shown.out;
}

}  // namespace
}  // namespace parvolind
