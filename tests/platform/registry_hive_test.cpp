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

class RegistryHiveTest : public testing::TempDirTest {
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

TEST_F(RegistryHiveTest, KeysAreCaseInsensitiveKeepTheirCaseAndEnumerateInNameOrder) {
  RegKey key = 0;
  EXPECT_EQ(hive_->OpenKey("\\Software\\Orbelt\\Parvolind\\Jobs", false, &key),
            RegStatus::kNotFound);
  EXPECT_EQ(key, 0);
  const RegKey jobs = MustOpen("\\Software\\Orbelt\\Parvolind\\Jobs", true);
  // Every missing key on the path was created.
  MustOpen("Software\\Orbelt");
  for (const char* name : {"beta", "Alpha", "gamma", "Delta", "alpha2"}) {
    MustOpen(std::string("\\Software\\Orbelt\\Parvolind\\Jobs\\") + name, true);
  }
  // Opening with another case finds the same key and creates no second one.
  EXPECT_EQ(MustOpen("\\SOFTWARE\\orbelt\\PARVOLIND\\jobs\\BETA", true),
            MustOpen("\\Software\\Orbelt\\Parvolind\\Jobs\\beta"));
  EXPECT_EQ(SubKeys(jobs), (std::vector<std::string>{"Alpha", "alpha2", "beta", "Delta", "gamma"}));

  uint32_t count = 0, longest = 0, values = 0;
  EXPECT_EQ(hive_->QueryInfoKey(jobs, &count, &longest, &values), RegStatus::kOk);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(longest, 6u);
  EXPECT_EQ(values, 0u);
  std::string name;
  EXPECT_EQ(hive_->EnumKey(jobs, 5, &name), RegStatus::kNoMoreItems);

  // A name longer than a key name can be is refused.
  EXPECT_EQ(hive_->OpenKey("Software\\" + std::string(256, 'x'), true, &key),
            RegStatus::kInvalidName);
  EXPECT_EQ(hive_->OpenKey("Software\\" + std::string(255, 'x'), true, &key), RegStatus::kOk);
}

TEST_F(RegistryHiveTest, ValuesComeBackByteForByteAndReplaceAnyType) {
  const RegKey key = MustOpen("Software\\Test", true);
  const std::string binary("\x00\x01\xff\x80\x00", 5);
  const std::string latin1("Gr\xfc\xdf\x65\0", 6);  // not UTF-8: kept as it is
  ASSERT_EQ(hive_->SetValue(key, "Bin", {RegType::kBinary, binary}), RegStatus::kOk);
  ASSERT_EQ(hive_->SetValue(key, "Text", {RegType::kSz, latin1}), RegStatus::kOk);
  ASSERT_EQ(hive_->SetValue(key, "Odd", {static_cast<RegType>(0x1234), "raw"}), RegStatus::kOk);
  ASSERT_EQ(hive_->SetValue(key, "", {RegType::kSz, std::string("default\0", 8)}), RegStatus::kOk);

  RegValue value;
  ASSERT_EQ(hive_->QueryValue(key, "bin", &value), RegStatus::kOk);
  EXPECT_EQ(value.type, RegType::kBinary);
  EXPECT_EQ(value.data, binary);
  ASSERT_EQ(hive_->QueryValue(key, "TEXT", &value), RegStatus::kOk);
  EXPECT_EQ(value.data, latin1);
  ASSERT_EQ(hive_->QueryValue(key, "Odd", &value), RegStatus::kOk);
  EXPECT_EQ(static_cast<uint32_t>(value.type), 0x1234u);

  // Setting under another case replaces the value, whatever its type, and keeps
  // its first spelling and its place.
  ASSERT_EQ(hive_->SetValue(key, "BIN", {RegType::kDword, std::string("\x0a\0\0\0", 4)}),
            RegStatus::kOk);
  std::vector<std::string> names;
  std::string name;
  for (uint32_t i = 0; hive_->EnumValue(key, i, &name, &value) == RegStatus::kOk; ++i) {
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Bin", "Text", "Odd", ""}));
  ASSERT_EQ(hive_->QueryValue(key, "Bin", &value), RegStatus::kOk);
  EXPECT_EQ(value.type, RegType::kDword);

  EXPECT_EQ(hive_->DeleteValue(key, "odd"), RegStatus::kOk);
  EXPECT_EQ(hive_->DeleteValue(key, "odd"), RegStatus::kNotFound);
  EXPECT_EQ(hive_->QueryValue(key, "Odd", &value), RegStatus::kNotFound);
}

TEST_F(RegistryHiveTest, DeletedKeysStayDeletedAndRefuseKeysWithSubKeys) {
  const RegKey jobs = MustOpen("Software\\Jobs", true);
  const RegKey job = MustOpen("Software\\Jobs\\Backup", true);
  MustOpen("Software\\Jobs\\Backup\\Inner", true);
  ASSERT_EQ(hive_->SetValue(job, "Dir1", {RegType::kSz, std::string("/a\0", 3)}), RegStatus::kOk);

  EXPECT_EQ(hive_->DeleteKey(jobs, "backup"), RegStatus::kAccessDenied);
  EXPECT_EQ(hive_->DeleteKey(jobs, "Backup\\Inner"), RegStatus::kOk);
  EXPECT_EQ(hive_->DeleteKey(jobs, "Backup"), RegStatus::kOk);
  EXPECT_EQ(hive_->DeleteKey(jobs, "Backup"), RegStatus::kNotFound);

  // A handle of the deleted key finds nothing and brings nothing back.
  RegValue value;
  EXPECT_EQ(hive_->QueryValue(job, "Dir1", &value), RegStatus::kNotFound);
  EXPECT_EQ(hive_->SetValue(job, "NextSync", {RegType::kBinary, std::string(8, '\0')}),
            RegStatus::kNotFound);
  // A new key never takes over the deleted key's handle.
  EXPECT_NE(MustOpen("Software\\Jobs\\Other", true), job);
  RegKey reopened = 0;
  EXPECT_EQ(hive_->OpenKey("Software\\Jobs\\Backup", false, &reopened), RegStatus::kNotFound);
}

TEST_F(RegistryHiveTest, TransactionsAreAllOrNothingAndNest) {
  const RegKey key = MustOpen("Software\\T", true);
  {
    HiveTransaction outer(*hive_);
    ASSERT_EQ(outer.status(), RegStatus::kOk);
    ASSERT_EQ(hive_->SetValue(key, "A", {RegType::kSz, "1"}), RegStatus::kOk);
    {
      HiveTransaction inner(*hive_);
      ASSERT_EQ(hive_->SetValue(key, "B", {RegType::kSz, "2"}), RegStatus::kOk);
      EXPECT_EQ(inner.Commit(), RegStatus::kOk);
    }
    // Inside the transaction the changes are visible to this connection.
    RegValue value;
    EXPECT_EQ(hive_->QueryValue(key, "B", &value), RegStatus::kOk);
    // No commit: everything is rolled back.
  }
  RegValue value;
  EXPECT_EQ(hive_->QueryValue(key, "A", &value), RegStatus::kNotFound);
  EXPECT_EQ(hive_->QueryValue(key, "B", &value), RegStatus::kNotFound);

  {
    HiveTransaction outer(*hive_);
    ASSERT_EQ(hive_->SetValue(key, "A", {RegType::kSz, "1"}), RegStatus::kOk);
    {
      HiveTransaction inner(*hive_);  // abandoned: takes the whole transaction with it
    }
    EXPECT_NE(hive_->SetValue(key, "C", {RegType::kSz, "3"}), RegStatus::kOk);
    EXPECT_NE(outer.Commit(), RegStatus::kOk);
  }
  EXPECT_EQ(hive_->QueryValue(key, "A", &value), RegStatus::kNotFound);
  EXPECT_EQ(hive_->QueryValue(key, "C", &value), RegStatus::kNotFound);

  {
    HiveTransaction outer(*hive_);
    ASSERT_EQ(hive_->SetValue(key, "A", {RegType::kSz, "1"}), RegStatus::kOk);
    EXPECT_EQ(outer.Commit(), RegStatus::kOk);
  }
  // A second connection, as another process would have, sees the committed data.
  auto other = Open();
  RegKey other_key = 0;
  ASSERT_EQ(other->OpenKey("Software\\T", false, &other_key), RegStatus::kOk);
  EXPECT_EQ(other->QueryValue(other_key, "A", &value), RegStatus::kOk);
}

TEST_F(RegistryHiveTest, TwoProcessesWriteAtOnceWithoutLosingAWrite) {
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

TEST_F(RegistryHiveTest, AnInnerRollbackFailsTheOuterCommitAndStoresNothing) {
  const RegKey key = MustOpen("Software\\T", true);
  ASSERT_EQ(hive_->BeginTransaction(), RegStatus::kOk);
  ASSERT_EQ(hive_->SetValue(key, "A", {RegType::kSz, "1"}), RegStatus::kOk);
  MustOpen("Software\\T\\Child", true);
  ASSERT_EQ(hive_->BeginTransaction(), RegStatus::kOk);
  hive_->RollbackTransaction();
  // Nothing of the outer level may reach the store, also not what comes after.
  EXPECT_NE(hive_->SetValue(key, "B", {RegType::kSz, "2"}), RegStatus::kOk);
  EXPECT_NE(hive_->CommitTransaction(), RegStatus::kOk);

  auto other = Open();
  for (RegistryHive* hive : {hive_.get(), other.get()}) {
    RegKey t = 0;
    ASSERT_EQ(hive->OpenKey("Software\\T", false, &t), RegStatus::kOk);
    RegValue value;
    EXPECT_EQ(hive->QueryValue(t, "A", &value), RegStatus::kNotFound);
    EXPECT_EQ(hive->QueryValue(t, "B", &value), RegStatus::kNotFound);
    std::string name;
    EXPECT_EQ(hive->EnumKey(t, 0, &name), RegStatus::kNoMoreItems);
  }
  // The hive is usable again afterwards.
  HiveTransaction next(*hive_);
  ASSERT_EQ(hive_->SetValue(key, "C", {RegType::kSz, "3"}), RegStatus::kOk);
  EXPECT_EQ(next.Commit(), RegStatus::kOk);
}

TEST_F(RegistryHiveTest, ABeginAfterAnInnerRollbackStillFailsTheInnerCommit) {
  const RegKey key = MustOpen("Software\\T", true);
  ASSERT_EQ(hive_->BeginTransaction(), RegStatus::kOk);
  ASSERT_EQ(hive_->BeginTransaction(), RegStatus::kOk);
  hive_->RollbackTransaction();
  hive_->BeginTransaction();
  hive_->SetValue(key, "A", {RegType::kSz, "1"});
  EXPECT_NE(hive_->CommitTransaction(), RegStatus::kOk);
  hive_->CommitTransaction();
  RegValue value;
  EXPECT_EQ(Open()->QueryValue(MustOpen("Software\\T"), "A", &value), RegStatus::kNotFound);
}

TEST_F(RegistryHiveTest, TheUsersStoreIsTheUsersAloneWhateverTheUmask) {
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

TEST_F(RegistryHiveTest, EnumerationByIndexFollowsEveryWrite) {
  const RegKey jobs = MustOpen("Jobs", true);
  for (const char* name : {"b", "d", "f"}) MustOpen(std::string("Jobs\\") + name, true);
  const auto sub_key = [&](RegistryHive& hive, RegKey key, uint32_t index) {
    std::string name;
    const RegStatus status = hive.EnumKey(key, index, &name);
    return status == RegStatus::kOk ? name : "<" + std::to_string(static_cast<int>(status)) + ">";
  };
  EXPECT_EQ(sub_key(*hive_, jobs, 0), "b");
  // A key of this connection that sorts first moves every index on by one.
  MustOpen("Jobs\\A", true);
  EXPECT_EQ(sub_key(*hive_, jobs, 1), "b");
  EXPECT_EQ(sub_key(*hive_, jobs, 3), "f");

  // Another connection's writes are seen at the next index asked for.
  auto other = Open();
  RegKey other_jobs = 0;
  ASSERT_EQ(other->OpenKey("Jobs", false, &other_jobs), RegStatus::kOk);
  EXPECT_EQ(sub_key(*other, other_jobs, 0), "A");
  ASSERT_EQ(hive_->DeleteKey(jobs, "b"), RegStatus::kOk);
  RegKey c = 0;
  ASSERT_EQ(hive_->OpenKey("Jobs\\c", true, &c), RegStatus::kOk);
  EXPECT_EQ(SubKeys(jobs), (std::vector<std::string>{"A", "c", "d", "f"}));
  EXPECT_EQ(sub_key(*other, other_jobs, 1), "c");
  EXPECT_EQ(sub_key(*other, other_jobs, 4), "<2>");  // kNoMoreItems

  // Values: a new one comes last, a replaced one keeps its place, a deleted one
  // closes the gap; in both directions between the connections.
  const auto values = [](RegistryHive& hive, RegKey key) {
    std::string all, name;
    RegValue value;
    for (uint32_t i = 0; hive.EnumValue(key, i, &name, &value) == RegStatus::kOk; ++i) {
      all += name + "=" + value.data + ";";
    }
    return all;
  };
  RegKey other_c = 0;
  ASSERT_EQ(other->OpenKey("Jobs\\c", false, &other_c), RegStatus::kOk);
  for (const char* name : {"x", "y", "z"}) {
    ASSERT_EQ(hive_->SetValue(c, name, {RegType::kSz, "1"}), RegStatus::kOk);
  }
  EXPECT_EQ(values(*other, other_c), "x=1;y=1;z=1;");
  ASSERT_EQ(hive_->SetValue(c, "X", {RegType::kSz, "2"}), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(c, "y"), RegStatus::kOk);
  EXPECT_EQ(values(*hive_, c), "x=2;z=1;");
  ASSERT_EQ(other->SetValue(other_c, "w", {RegType::kSz, "3"}), RegStatus::kOk);
  EXPECT_EQ(values(*hive_, c), "x=2;z=1;w=3;");
  EXPECT_EQ(values(*other, other_c), "x=2;z=1;w=3;");

  // What a rolled-back transaction created is gone from the enumeration too.
  {
    HiveTransaction transaction(*hive_);
    MustOpen("Jobs\\e", true);
    ASSERT_EQ(hive_->SetValue(c, "v", {RegType::kSz, "4"}), RegStatus::kOk);
    EXPECT_EQ(SubKeys(jobs), (std::vector<std::string>{"A", "c", "d", "e", "f"}));
    EXPECT_EQ(values(*hive_, c), "x=2;z=1;w=3;v=4;");
  }
  EXPECT_EQ(SubKeys(jobs), (std::vector<std::string>{"A", "c", "d", "f"}));
  EXPECT_EQ(values(*hive_, c), "x=2;z=1;w=3;");

  // Deleting every sub-key from the last index down, as a tree is deleted.
  ASSERT_EQ(hive_->DeleteValue(c, "x"), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(c, "z"), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(c, "w"), RegStatus::kOk);
  for (uint32_t index = 4; index > 0; --index) {
    const std::string name = sub_key(*hive_, jobs, index - 1);
    ASSERT_EQ(hive_->DeleteKey(jobs, name), RegStatus::kOk) << name;
    EXPECT_EQ(sub_key(*hive_, jobs, index - 1), "<2>");
  }
  EXPECT_EQ(sub_key(*other, other_jobs, 0), "<2>");
}

TEST_F(RegistryHiveTest, AWriteProtectedStoreIsReadReadOnlyAndNamesWhyItCannotBeWritten) {
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
