#include "platform/registry_hive.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/app_paths.h"
#include "support/test_environment.h"
#include "support/write_protection.h"

namespace parvolind {
namespace {

class RegistryHiveLinuxTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = Open();
    ASSERT_NE(hive_, nullptr);
  }

  std::unique_ptr<RegistryHive> Open() { return OpenTestHive(); }

  RegKey MustOpen(std::string_view path, bool create = false) {
    RegKey key = 0;
    EXPECT_EQ(hive_->OpenKey(path, create, &key), RegStatus::kOk) << path;
    return key;
  }

  std::vector<std::string> SubKeys(RegKey key) {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; hive_->EnumKey(key, i, &name) == RegStatus::kOk; ++i)
      names.push_back(name);
    return names;
  }

  std::unique_ptr<RegistryHive> hive_;
};

TEST_F(RegistryHiveLinuxTest, TextThatIsNotUtf8IsKeptByteForByte) {
  const RegKey key = MustOpen("Software\\Test", true);
  const std::string latin1("Gr\xfc\xdf\x65\0", 6);  // not UTF-8: kept as it is
  ASSERT_EQ(hive_->SetValue(key, "Text", {RegType::kSz, latin1}), RegStatus::kOk);
  RegValue value;
  ASSERT_EQ(hive_->QueryValue(key, "TEXT", &value), RegStatus::kOk);
  EXPECT_EQ(value.data, latin1);
}

TEST_F(RegistryHiveLinuxTest, TwoProcessesWriteAtOnceWithoutLosingAWrite) {
  constexpr int kWrites = 200;
  const auto writer = [this](const std::string& prefix) {
    auto hive = Open();
    if (!hive) return 1;
    for (int i = 0; i < kWrites; ++i) {
      RegKey key = 0;
      const std::string path = "Software\\Orbelt\\Parvolind\\Jobs\\" + prefix + std::to_string(i);
      if (hive->OpenKey(path, true, &key) != RegStatus::kOk) return 2;
      HiveTransaction transaction(*hive);
      if (hive->SetValue(key, "Name", {RegType::kSz, prefix}) != RegStatus::kOk) return 3;
      if (hive->SetValue(key, "Value", {RegType::kSz, std::to_string(i)}) != RegStatus::kOk) {
        return 4;
      }
      if (transaction.Commit() != RegStatus::kOk) return 5;
    }
    return 0;
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(writer("child"));
  const int parent_result = writer("parent");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(parent_result, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  const RegKey jobs = MustOpen("Software\\Orbelt\\Parvolind\\Jobs");
  uint32_t count = 0;
  ASSERT_EQ(hive_->QueryInfoKey(jobs, &count, nullptr, nullptr), RegStatus::kOk);
  EXPECT_EQ(count, 2u * kWrites);
}

TEST_F(RegistryHiveLinuxTest, TheUsersStoreIsTheUsersAloneWhateverTheUmask) {
  const mode_t old_mask = umask(022);
  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenUserRegistryHive(&error);
  ASSERT_NE(hive, nullptr) << error;
  RegKey key = 0;
  ASSERT_EQ(hive->OpenKey("Software\\T", true, &key), RegStatus::kOk);
  ASSERT_EQ(hive->SetValue(key, "A", {RegType::kSz, "1"}), RegStatus::kOk);
  umask(old_mask);
  const std::string folder = ConfigDirectory();
  struct stat info {};
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  for (const char* file : {"/registry.sqlite", "/registry.sqlite-wal"}) {
    ASSERT_EQ(stat((folder + file).c_str(), &info), 0) << file;
    EXPECT_EQ(info.st_mode & 0777, 0600u) << file;
  }
}

TEST_F(RegistryHiveLinuxTest, AWriteProtectedStoreIsReadReadOnlyAndNamesWhyItCannotBeWritten) {
  const std::string folder = PathOf("protected");
  const std::string path = folder + "/registry.sqlite";
  std::string error;
  // A store that does not exist reads as empty and is not created by reading.
  {
    auto empty = OpenRegistryHive(path, &error, HiveAccess::kReadOnly);
    ASSERT_NE(empty, nullptr) << error;
    RegKey key = 0;
    EXPECT_EQ(empty->OpenKey("Software", false, &key), RegStatus::kNotFound);
    EXPECT_EQ(empty->OpenKey("Software", true, &key), RegStatus::kAccessDenied);
  }
  EXPECT_FALSE(std::filesystem::exists(folder));

  std::filesystem::create_directories(folder);
  {
    auto writer = OpenRegistryHive(path, &error);
    ASSERT_NE(writer, nullptr) << error;
    RegKey key = 0;
    ASSERT_EQ(writer->OpenKey("Software\\Jobs\\Backup", true, &key), RegStatus::kOk);
    ASSERT_EQ(writer->SetValue(key, "Dir1", {RegType::kSz, "/a"}), RegStatus::kOk);
  }
  // A folder that cannot be written leaves no room for WAL's shared-memory file.
  testing::WriteProtection protection({path, folder});
  if (!protection.Active()) GTEST_SKIP() << "no immutable flag on this file system";

  EXPECT_EQ(OpenRegistryHive(path, &error), nullptr);
  EXPECT_NE(error.find("schreibgeschützt"), std::string::npos) << error;

  auto reader = OpenRegistryHive(path, &error, HiveAccess::kReadOnly);
  ASSERT_NE(reader, nullptr) << error;
  RegKey jobs = 0, job = 0;
  ASSERT_EQ(reader->OpenKey("Software\\Jobs", false, &jobs), RegStatus::kOk);
  ASSERT_EQ(reader->OpenKey("Software\\Jobs\\Backup", false, &job), RegStatus::kOk);
  std::string name;
  RegValue value;
  EXPECT_EQ(reader->EnumKey(jobs, 0, &name), RegStatus::kOk);
  EXPECT_EQ(name, "Backup");
  HiveTransaction transaction(*reader);
  EXPECT_EQ(transaction.status(), RegStatus::kOk);
  EXPECT_EQ(reader->EnumValue(job, 0, &name, &value), RegStatus::kOk);
  EXPECT_EQ(value.data, "/a");
  EXPECT_EQ(reader->SetValue(job, "Dir2", {RegType::kSz, "/b"}), RegStatus::kAccessDenied);
  EXPECT_EQ(reader->DeleteKey(jobs, "Backup"), RegStatus::kAccessDenied);
  EXPECT_EQ(transaction.Commit(), RegStatus::kOk);
}

}  // namespace
}  // namespace parvolind
