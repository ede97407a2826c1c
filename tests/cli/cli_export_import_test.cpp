#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/app_paths.h"
#include "platform/registry_hive.h"
#include "store/hive_dump.h"
#include "store/reg_file.h"
#include "store/registry_key.h"
#include "support/cli_process.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

constexpr const char* kProgram = "Software\\Orbelt\\Parvolind";

using CliOutcome = testing::CliResult;

class CliExportImportTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    cli_ = testing::CliUnderTest();
    ASSERT_FALSE(cli_.empty());
  }

  // Runs the CLI with the fixture's XDG folders, optionally another config folder.
  static CliOutcome Run(const std::string& program, const std::vector<std::string>& args,
                        const std::string& config_home = {}) {
    QStringList arguments;
    for (const std::string& arg : args) arguments << QString::fromStdString(arg);
    std::map<std::string, std::string> overrides;
    if (!config_home.empty()) overrides["XDG_CONFIG_HOME"] = config_home;
    return testing::RunCli(program, arguments, overrides);
  }

  static std::unique_ptr<RegistryHive> UserHive() {
    std::string error;
    auto hive = OpenUserRegistryHive(&error);
    EXPECT_NE(hive, nullptr) << error;
    return hive;
  }

  static void StoreConfiguration(RegistryHive& hive) {
    RegistryKey settings(hive);
    ASSERT_TRUE(settings.OpenForWriting(kProgramKeyPath, true));
    settings.WriteBool("Logfile", false);
    settings.WriteInteger("BufferSize", 64);
    for (const char* name : {"Tagessicherung", "fotos", "Musik Öl"}) {
      RegistryKey job(hive);
      ASSERT_TRUE(job.OpenForWriting(std::string(kJobsKeyPrefix) + name, true));
      job.WriteString("Name", name);
      job.WriteString("Dir1", std::string("/home/anna/") + name + "/");
      job.WriteBool("DelOthers", true);
      job.WriteDateTime("NextSync", 46364.5);
    }
  }

  std::string cli_;
};

TEST_F(CliExportImportTest, ExportThenImportRecreatesTheConfiguration) {
  std::string original;
  {
    auto hive = UserHive();
    ASSERT_NE(hive, nullptr);
    StoreConfiguration(*hive);
    original = testing::DumpHiveTree(*hive, kProgram);
  }
  ASSERT_NE(original.find("Musik Öl"), std::string::npos);

  const std::string file = PathOf("sicherung.reg");
  CliOutcome outcome = Run(cli_, {"export", file});
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "Die Konfiguration wurde gesichert: " + file + "\n");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(ReadFile(file).rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);

  // Another user's (empty) configuration gets everything.
  const std::string other_config = PathOf("anderes-system");
  outcome = Run(cli_, {"import", file}, other_config);
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "Importiert aus " + file + ": 5 Schlüssel, 14 Werte.\n");
  std::string error;
  auto other = OpenRegistryHive(other_config + "/parvolind/registry.sqlite", &error);
  ASSERT_NE(other, nullptr) << error;
  EXPECT_EQ(testing::DumpHiveTree(*other, kProgram), original);

  // A file broken in its last line changes nothing.
  const std::string broken = WriteFile("kaputt.reg",
                                       "Windows Registry Editor Version 5.00\r\n\r\n"
                                       "[-HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs]\r\n"
                                       "[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind]\r\n"
                                       "\"BufferSize\"=dword:0000020g\r\n");
  outcome = Run(cli_, {"import", broken}, other_config);
  EXPECT_EQ(outcome.exit_code, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, broken +
                             ": Zeile 5: Ungültiger DWORD-Wert (erwartet werden 1 bis 8 "
                             "Hex-Ziffern)\nDie Konfiguration wurde nicht verändert.\n");
  EXPECT_EQ(testing::DumpHiveTree(*other, kProgram), original);

  // Deletions are counted separately.
  const std::string removal =
      WriteFile("entfernen.reg",
                "REGEDIT4\r\n\r\n[-HKCU\\Software\\Orbelt\\Parvolind\\Jobs\\fotos]\r\n"
                "[HKCU\\Software\\Orbelt\\Parvolind]\r\n\"Logfile\"=-\r\n");
  outcome = Run(cli_, {"import", removal}, other_config);
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "Importiert aus " + removal +
                             ": 1 Schlüssel, 0 Werte; gelöscht: 1 Schlüssel, 1 Werte.\n");
  EXPECT_EQ(testing::DumpHiveTree(*other, std::string(kProgram) + "\\Jobs\\fotos"), "<missing>");
}

TEST_F(CliExportImportTest, WrongCallsAndUnreadableFiles) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"export", "a.reg", "b.reg"}, {"export", ""}, {"import"}, {"import", "a", "b"}}) {
    const CliOutcome outcome = Run(cli_, args);
    EXPECT_EQ(outcome.exit_code, 2) << args.size();
    EXPECT_NE(outcome.err.find("Aufruf: parvolind-cli " + args[0]), std::string::npos);
  }

  CliOutcome outcome = Run(cli_, {"import", PathOf("gibt-es-nicht.reg")});
  EXPECT_EQ(outcome.exit_code, 1);
  EXPECT_EQ(outcome.err, "Die Datei kann nicht gelesen werden: " + PathOf("gibt-es-nicht.reg") +
                             ": Datei nicht gefunden\n");

  // A device without end is refused, not read forever.
  outcome = Run(cli_, {"import", "/dev/zero"});
  EXPECT_EQ(outcome.exit_code, 1);
  EXPECT_EQ(outcome.err,
            "Die Datei kann nicht gelesen werden: /dev/zero: Keine gewöhnliche Datei, sondern "
            "ein Gerät\n");
  // Neither is a folder, nor a pipe that nobody writes to (it is not waited for).
  const std::string pipe = PathOf("pipe.reg");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (const auto& [file, kind] : std::vector<std::pair<std::string, std::string>>{
           {Dir(), "ein Verzeichnis"}, {pipe, "eine benannte Pipe (FIFO)"}}) {
    outcome = Run(cli_, {"import", file});
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_EQ(outcome.err, "Die Datei kann nicht gelesen werden: " + file +
                               ": Keine gewöhnliche Datei, sondern " + kind + "\n");
  }

  // Nothing configured yet: there is nothing to back up, and no file appears.
  outcome = Run(cli_, {"export", PathOf("leer.reg")});
  EXPECT_EQ(outcome.exit_code, 1);
  EXPECT_EQ(outcome.err,
            "Die Konfiguration konnte nicht gesichert werden: Der Schlüssel "
            "HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind existiert nicht.\n");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("leer.reg"))));
}

TEST_F(CliExportImportTest, ExportToStandardOutputOrOnlyIntoARegularFile) {
  std::string expected;
  {
    auto hive = UserHive();
    ASSERT_NE(hive, nullptr);
    StoreConfiguration(*hive);
    ASSERT_TRUE(ExportRegistryKey(*hive, kProgramKeyPath, &expected, nullptr));
  }
  CliOutcome outcome = Run(cli_, {"export", "-"});
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_EQ(outcome.out, expected);
  EXPECT_EQ(outcome.err, "");

  // Standard output by its /dev name would be replaced by a file, not written to.
  outcome = Run(cli_, {"export", "/dev/stdout"});
  EXPECT_EQ(outcome.exit_code, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err,
            "Die Konfiguration konnte nicht gesichert werden: /dev/stdout: Führt in das "
            "Systemverzeichnis /dev und wird nicht ersetzt\n");
}

TEST_F(CliExportImportTest, ExportWithoutFileWritesBesideTheProgram) {
  {
    auto hive = UserHive();
    ASSERT_NE(hive, nullptr);
    StoreConfiguration(*hive);
  }
  // A copy of the program in the temporary folder, so nothing lands beside the build.
  const std::string copy = PathOf("programm/parvolind-cli");
  WriteFile("programm/platzhalter", "");
  ASSERT_TRUE(QFile::copy(QString::fromStdString(cli_), QString::fromStdString(copy)));
  QFile::setPermissions(QString::fromStdString(copy),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

  const CliOutcome outcome = Run(copy, {"export"});
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  const std::string target = PathOf("programm/parvolind.reg");
  EXPECT_EQ(outcome.out, "Die Konfiguration wurde gesichert: " + target + "\n");
  EXPECT_NE(ReadFile(target).find("[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs\\fotos]"),
            std::string::npos);
}

}  // namespace
}  // namespace parvolind
