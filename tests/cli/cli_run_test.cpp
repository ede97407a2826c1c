#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/file_system.h"
#include "platform/run_lock.h"
#include "store/job_store.h"
#include "store/registry_key.h"
#include "support/cli_process.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

constexpr const char* kTemporaryPrefix = ".parvolind-tmp-";

using testing::CliResult;

class CliRunTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    const std::string cli = testing::CliUnderTest();
    ASSERT_FALSE(cli.empty());
    // A copy of the program in the temporary folder logs beside itself, there.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PathOf("bin"))));
    cli_ = PathOf("bin/parvolind-cli");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(cli), QString::fromStdString(cli_)));
    std::string error;
    hive_ = OpenUserRegistryHive(&error);
    ASSERT_TRUE(hive_) << error;
    fs_ = CreateFileSystem();
  }

  void Start(QProcess& process, const QStringList& arguments) const {
    testing::StartCli(process, cli_, arguments);
  }

  static CliResult Finish(QProcess& process) { return testing::FinishCli(process); }

  CliResult RunCli(const QStringList& arguments) const { return testing::RunCli(cli_, arguments); }

  JobDefinition Job() const {
    JobDefinition job;
    job.Name = "Sicherung";
    job.Dir1 = PathOf("one");
    job.Dir2 = PathOf("two");
    job.DirDown = true;
    job.CritAll = true;
    job.DelOthers = false;
    job.CRC32 = false;
    return job;
  }

  void Save(const JobDefinition& job) {
    JobStore store(*hive_, clock_, *locale_);
    store.SaveJob(job, "", [](const std::string&) { return 0.0; });
  }

  void SetSetting(const char* name, int32_t value) {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(kProgramKeyPath, true));
    key.WriteInteger(name, value);
  }

  std::string Execution() {
    RegistryKey key(*hive_);
    key.OpenForReading(std::string(kJobsKeyPrefix) + "Sicherung");
    return key.ReadString("Execution");
  }

  /// Names of the temporary copy files in a folder.
  QStringList TemporaryFiles(const std::string& folder) const {
    return QDir(QString::fromStdString(folder))
        .entryList({QString(kTemporaryPrefix) + "*"}, QDir::Files | QDir::Hidden);
  }

  /// A source large enough that its copy is still running when the test acts.
  void PrepareLargeCopy() {
    Save(Job());
    SetSetting("BufferSize", 32);
    const std::string block(1 << 20, 'L');
    std::string content;
    content.reserve(256u << 20);
    for (int i = 0; i < 256; ++i) content += block;
    ASSERT_FALSE(WriteFile("one/large.bin", content).empty());
    WriteFile("two/large.bin", "OLD");
  }

  /// Starts a run and waits until its copy has begun.
  bool StartCopy(QProcess& process) {
    Start(process, {"run", "Sicherung"});
    // The bound only keeps a broken build from hanging the suite.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < give_up) {
      if (!TemporaryFiles(PathOf("two")).isEmpty()) return true;
      if (process.state() == QProcess::NotRunning) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
  }

  std::string cli_;
  testing::FakeClock clock_;
  std::unique_ptr<Locale> locale_ = CreateLocale("de_DE");
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<FileSystem> fs_;
};

TEST_F(CliRunTest, RunsAJobLikeTheProgramAndLogsBesideItself) {
  Save(Job());
  WriteFile("one/a.txt", "a");
  WriteFile("one/sub/b.txt", "b");

  const CliResult result = RunCli({"run", "Sicherung"});

  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "");  // no progress when the output is no terminal
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
  EXPECT_EQ(ReadFile(PathOf("two/sub/b.txt")), "b");
  const std::string log = ReadFile(PathOf("bin/parvolind.log"));
  EXPECT_NE(log.find("Auftrag:      Sicherung\r\n"), std::string::npos);
  EXPECT_NE(log.find("Dateien:      2\r\n"), std::string::npos);
  EXPECT_NE(Execution(), "n/a");
  EXPECT_NE(Execution().find(" Uhr"), std::string::npos);
}

TEST_F(CliRunTest, ExitCodesTellFailureAndUsage) {
  CliResult result = RunCli({"run", "Unbekannt"});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_NE(result.err.find("Unbekannt"), std::string::npos);
  EXPECT_EQ(RunCli({"run"}).exit_code, 2);

  Save(Job());
  RegKey key = 0;
  ASSERT_EQ(hive_->OpenKey(std::string(kJobsKeyPrefix) + "Sicherung", false, &key), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(key, "CRC32"), RegStatus::kOk);
  hive_->CloseKey(key);
  result = RunCli({"run", "Sicherung"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("Die Synchronisation ist fehlgeschlagen!"), std::string::npos);
  EXPECT_NE(result.err.find("CRC32"), std::string::npos);
  const std::string log = ReadFile(PathOf("bin/parvolind.log"));
  EXPECT_NE(log.find("Grund:        Abbruch der Durchführung\r\n"), std::string::npos);
}

TEST_F(CliRunTest, RunWithFilesOrLogLinesLostExitsWithFour) {
  // The receiving folder cannot be created: the one copy fails, the run completes, the log is
  // written.
  JobDefinition job = Job();
  job.Dir2 = PathOf("datei/two");
  Save(job);
  WriteFile("datei", "kein Ordner");
  WriteFile("one/a.txt", "a");
  CliResult result = RunCli({"run", "Sicherung"});
  EXPECT_EQ(result.exit_code, 4);
  EXPECT_EQ(result.err,
            "Die Synchronisation wurde abgeschlossen; 1 Datei(en) konnten nicht synchronisiert "
            "werden.\n");
  EXPECT_NE(Execution(), "n/a");

  // A log that cannot be written: the files are in step, but not recorded.
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(std::string(kJobsKeyPrefix) + "Sicherung", false));
    key.WriteString("Dir2", PathOf("two"));
  }
  ASSERT_TRUE(QFile::remove(QString::fromStdString(PathOf("bin/parvolind.log"))));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PathOf("bin/parvolind.log"))));
  result = RunCli({"run", "Sicherung"});
  EXPECT_EQ(result.exit_code, 4);
  EXPECT_EQ(result.err.rfind("Das Protokoll konnte nicht geschrieben werden: ", 0), 0u)
      << result.err;
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");

  // A log that is a pipe is no log: the run neither waits for a reader nor writes into it.
  ASSERT_TRUE(QDir().rmdir(QString::fromStdString(PathOf("bin/parvolind.log"))));
  ASSERT_EQ(mkfifo(PathOf("bin/parvolind.log").c_str(), 0600), 0);
  result = RunCli({"run", "Sicherung"});
  EXPECT_EQ(result.exit_code, 4);
  EXPECT_NE(result.err.find("Dateizugriff verweigert"), std::string::npos) << result.err;

  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("  4  Synchronisation abgeschlossen, aber"), std::string::npos);
}

TEST_F(CliRunTest, JobRunningInAnotherProcessIsNotRunAgain) {
  Save(Job());
  WriteFile("one/a.txt", "a");
  std::unique_ptr<RunLocks> locks = CreateUserRunLocks();
  std::unique_ptr<RunLock> held;
  ASSERT_EQ(locks->TryLock("sicherung", &held), RunLockStatus::kAcquired);

  CliResult result = RunCli({"run", "Sicherung"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("Auftrag wird bereits durchgeführt."), std::string::npos);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("two/a.txt"))));

  held.reset();
  result = RunCli({"run", "Sicherung"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
}

TEST_F(CliRunTest, LoggingOffWritesNoLog) {
  Save(Job());
  SetSetting("Logfile", 0);
  WriteFile("one/a.txt", "a");
  EXPECT_EQ(RunCli({"run", "Sicherung"}).exit_code, 0);
  EXPECT_EQ(ReadFile(PathOf("two/a.txt")), "a");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("bin/parvolind.log"))));
}

TEST_F(CliRunTest, KilledCopyLeavesTheOldTargetAndTheNextRunCleansUp) {
  PrepareLargeCopy();
  QProcess process;
  if (!StartCopy(process)) {
    Finish(process);
    GTEST_SKIP() << "the copy ended before it could be interrupted";
  }
  process.kill();
  const CliResult killed = Finish(process);
  ASSERT_EQ(killed.exit_code, -2);
  EXPECT_EQ(ReadFile(PathOf("two/large.bin")), "OLD");
  EXPECT_FALSE(TemporaryFiles(PathOf("two")).isEmpty());

  const CliResult next = RunCli({"run", "Sicherung"});
  EXPECT_EQ(next.exit_code, 0) << next.err;
  EXPECT_TRUE(TemporaryFiles(PathOf("two")).isEmpty());
  EXPECT_EQ(fs_->Stat(PathOf("two/large.bin")).size, 256 << 20);
}

TEST_F(CliRunTest, TerminationCancelsTheRunAndKeepsTheOldTarget) {
  PrepareLargeCopy();
  QProcess process;
  if (!StartCopy(process)) {
    Finish(process);
    GTEST_SKIP() << "the copy ended before it could be interrupted";
  }
  process.terminate();  // SIGTERM, as a session end or Ctrl-C would ask
  const CliResult result = Finish(process);
  EXPECT_EQ(result.exit_code, 3) << result.err;
  EXPECT_EQ(ReadFile(PathOf("two/large.bin")), "OLD");
  EXPECT_TRUE(TemporaryFiles(PathOf("two")).isEmpty());
  const std::string log = ReadFile(PathOf("bin/parvolind.log"));
  EXPECT_NE(log.find("large.bin konnte nicht synchronisiert werden.\r\n"), std::string::npos);
  EXPECT_NE(log.find("Grund:        Abbruch der Durchführung\r\n"), std::string::npos);
  EXPECT_EQ(Execution(), "n/a");
}

}  // namespace
}  // namespace parvolind
