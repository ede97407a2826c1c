#include "platform/registry_hive.h"

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/test_environment.h"

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
    for (uint32_t i = 0; hive_->EnumKey(key, i, &name) == RegStatus::kOk; ++i) names.push_back(name);
    return names;
  }

  std::unique_ptr<RegistryHive> hive_;
};

TEST_F(RegistryHiveTest, KeysAreCaseInsensitiveKeepTheirCaseAndEnumerateInNameOrder) {
  RegKey key = 0;
  EXPECT_EQ(hive_->OpenKey("\\Software\\Orbelt\\Parvolind\\Jobs", false, &key), RegStatus::kNotFound);
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

}  // namespace
}  // namespace parvolind
