#include "store/config_backup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "store/registry_key.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

constexpr const char* kProgram = "Software\\Orbelt\\Parvolind";

class ConfigBackupLinuxTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
  }

  void StoreConfiguration() {
    RegistryKey settings(*hive_);
    ASSERT_TRUE(settings.OpenForWriting(kProgramKeyPath, true));
    settings.WriteBool("Minimized", true);
    settings.WriteInteger("BufferSize", 256);
    RegistryKey job(*hive_);
    ASSERT_TRUE(job.OpenForWriting(std::string(kJobsKeyPrefix) + "Fotos Ü", true));
    job.WriteString("Name", "Fotos Ü");
    job.WriteString("Dir1", "/home/anna/Bilder/");
    job.WriteDateTime("NextSync", 46364.75);
  }

  std::unique_ptr<RegistryHive> hive_;
};

std::string Listing(const std::string& folder) {
  return QDir(QString::fromStdString(folder))
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
      .join("|")
      .toStdString();
}

TEST_F(ConfigBackupLinuxTest, OnlyARegularFileIsReplaced) {
  StoreConfiguration();
  const ConfigBackup backup(*hive_);
  const std::string pipe = PathOf("pipe.reg");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string to_stdout = PathOf("stdout.reg");
  const std::string to_descriptor = PathOf("fd.reg");
  ASSERT_EQ(::symlink("/dev/stdout", to_stdout.c_str()), 0);
  ASSERT_EQ(::symlink("/proc/self/fd/1", to_descriptor.c_str()), 0);
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PathOf("dev"))));
  const std::string through_link = PathOf("dev/stdout");
  ASSERT_EQ(::symlink(to_descriptor.c_str(), through_link.c_str()), 0);

  for (const auto& [target, reason] : std::vector<std::pair<std::string, std::string>>{
           {pipe, ": Keine gewöhnliche Datei, sondern eine benannte Pipe (FIFO)"},
           {"/dev/null", ": Führt in das Systemverzeichnis /dev und wird nicht ersetzt"},
           {to_stdout, ": Führt in das Systemverzeichnis /dev und wird nicht ersetzt"},
           {to_descriptor, ": Führt in das Systemverzeichnis /proc und wird nicht ersetzt"},
           {through_link, ": Führt in das Systemverzeichnis /proc und wird nicht ersetzt"}}) {
    const BackupResult result = backup.ExportBackup(target);
    EXPECT_FALSE(result.ok) << target;
    EXPECT_EQ(result.reason, target + reason);
  }
  struct stat info;
  ASSERT_EQ(::lstat(pipe.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  ASSERT_EQ(::lstat(to_stdout.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(::stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  EXPECT_EQ(Listing(Dir()).find(".tmp"), std::string::npos);  // no temporary file left

  // A link to a regular file still has that file replaced, and stays a link.
  const std::string file = WriteFile("echt.reg", "alt");
  const std::string link = PathOf("verweis.reg");
  ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
  EXPECT_TRUE(backup.ExportBackup(link).ok);
  EXPECT_NE(ReadFile(file), "alt");
  ASSERT_EQ(::lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));

  // A new backup is the user's alone whatever the umask.
  const mode_t old_mask = ::umask(022);
  const bool made = backup.ExportBackup(PathOf("neu.reg")).ok;
  ::umask(old_mask);
  ASSERT_TRUE(made);
  ASSERT_EQ(::stat(PathOf("neu.reg").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ConfigBackupLinuxTest, BackupIntoAReadOnlyFolderKeepsTheEarlierFile) {
  StoreConfiguration();
  const ConfigBackup backup(*hive_);
  const std::string target = WriteFile("schreibgeschuetzt/parvolind.reg", "alt");
  const QString folder = QString::fromStdString(PathOf("schreibgeschuetzt"));
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
  QFile probe(folder + "/probe");
  if (probe.open(QIODevice::WriteOnly)) {
    probe.remove();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    GTEST_SKIP() << "running with rights that ignore folder permissions";
  }
  const BackupResult result = backup.ExportBackup(target);
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, target + ": Dateizugriff verweigert");
  EXPECT_EQ(result.message.rfind("Die Konfiguration konnte nicht gesichert werden:\r\r", 0), 0u);
  EXPECT_EQ(ReadFile(target), "alt");
  EXPECT_EQ(Listing(PathOf("schreibgeschuetzt")), "parvolind.reg");
}

}  // namespace
}  // namespace parvolind
