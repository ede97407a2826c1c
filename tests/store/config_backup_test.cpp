#include "store/config_backup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/path_rules.h"
#include "platform/text_rules.h"
#include "store/hive_dump.h"
#include "store/reg_file.h"
#include "store/registry_key.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

constexpr const char* kProgram = "Software\\Orbelt\\Parvolind";

class ConfigBackupTest : public testing::TempDirTest {
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
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : "|") + name;
  return joined;
}

// The bytes of a backup file of `text`: UTF-16LE with a byte order mark where the platform's
// registry editor writes it so (the text here has no character beyond U+FFFF).
std::string FileForm(const std::string& text) {
  if (!kRegFilesInUtf16) return text;
  std::string out = "\xFF\xFE";
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    uint32_t unit = byte;
    size_t length = 1;
    if (byte >= 0xE0) {
      unit = ((byte & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
      length = 3;
    } else if (byte >= 0xC0) {
      unit = ((byte & 0x1Fu) << 6) | (text[i + 1] & 0x3Fu);
      length = 2;
    }
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
    i += length;
  }
  return out;
}

TEST_F(ConfigBackupTest, BackupReplacesAnEarlierFileAndRestoresElsewhere) {
  StoreConfiguration();
  const std::string target = WriteFile("sicherung/parvolind.reg", "eine alte Sicherung");
  ASSERT_FALSE(target.empty());

  const ConfigBackup backup(*hive_);
  const BackupResult result = backup.ExportBackup(target);
  ASSERT_TRUE(result.ok) << result.reason;
  EXPECT_EQ(result.target, target);
  EXPECT_EQ(result.reason, "");
  EXPECT_EQ(result.message, "Die Konfiguration von Parvolind wurde gesichert:\r\r" + target +
                                "\r\rUm die Konfiguration auf einem anderen System zu laden,\r"
                                "doppelklicken Sie bitte auf die soeben erstellte Reg-Datei.");

  std::string expected;
  ASSERT_TRUE(ExportRegistryKey(*hive_, kProgramKeyPath, &expected, nullptr));
  const std::string written = ReadFile(target);
  EXPECT_EQ(written, FileForm(expected));
  EXPECT_NE(expected.find("[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs\\Fotos Ü]"),
            std::string::npos);
  EXPECT_EQ(Listing(PathOf("sicherung")), "parvolind.reg");  // no temporary file left

  // The file recreates settings and jobs in another store.
  std::string error;
  auto other = OpenRegistryHive(PathOf("anderes-system.sqlite"), &error);
  ASSERT_NE(other, nullptr) << error;
  ASSERT_TRUE(ImportRegFile(*other, written, &error)) << error;
  EXPECT_EQ(testing::DumpHiveTree(*other, kProgram), testing::DumpHiveTree(*hive_, kProgram));
}

TEST_F(ConfigBackupTest, FailedBackupReportsFailureAndKeepsTheEarlierFile) {
  StoreConfiguration();
  const ConfigBackup backup(*hive_);

  // A folder that does not exist.
  BackupResult result = backup.ExportBackup(PathOf("fehlt/parvolind.reg"));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, PathOf("fehlt/parvolind.reg") + ": Datei nicht gefunden");
  EXPECT_EQ(result.message, "Die Konfiguration konnte nicht gesichert werden:\r\r" + result.reason);

  // A target that is a folder.
  std::filesystem::create_directories(PathOf("ordner.reg"));
  result = backup.ExportBackup(PathOf("ordner.reg"));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason,
            PathOf("ordner.reg") + ": Keine gewöhnliche Datei, sondern ein Verzeichnis");

  // A "folder" that is a file.
  WriteFile("datei", "kein Ordner");
  result = backup.ExportBackup(PathOf("datei/parvolind.reg"));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, PathOf("datei/parvolind.reg") + ": Ungültiger Dateiname");
  EXPECT_EQ(ReadFile(PathOf("datei")), "kein Ordner");
}

TEST_F(ConfigBackupTest, MissingProgramKeyIsNoBackupAndKeepsTheEarlierFile) {
  const std::string target = WriteFile("parvolind.reg", "alt");
  const BackupResult result = ConfigBackup(*hive_).ExportBackup(target);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason,
            "Der Schlüssel HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind existiert nicht.");
  EXPECT_EQ(ReadFile(target), "alt");

  const std::string path = ConfigBackup::DefaultBackupPath();
  EXPECT_EQ(path.substr(path.size() - 14), kPathSeparator + std::string("parvolind.reg"));
}

}  // namespace
}  // namespace parvolind
