#include "platform/registry_hive.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
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
  const RegKey upper = MustOpen("\\SOFTWARE\\orbelt\\PARVOLIND\\jobs\\BETA", true);
  ASSERT_EQ(hive_->SetValue(upper, "Seen", {RegType::kDword, std::string(4, '\0')}),
            RegStatus::kOk);
  RegValue seen;
  EXPECT_EQ(hive_->QueryValue(MustOpen("\\Software\\Orbelt\\Parvolind\\Jobs\\beta"), "Seen", &seen),
            RegStatus::kOk);
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
  const std::string text("Gr\xc3\xb6\xc3\x9f\x65\0", 8);
  ASSERT_EQ(hive_->SetValue(key, "Bin", {RegType::kBinary, binary}), RegStatus::kOk);
  ASSERT_EQ(hive_->SetValue(key, "Text", {RegType::kSz, text}), RegStatus::kOk);
  ASSERT_EQ(hive_->SetValue(key, "Odd", {static_cast<RegType>(0x1234), "raw"}), RegStatus::kOk);
  ASSERT_EQ(hive_->SetValue(key, "", {RegType::kSz, std::string("default\0", 8)}), RegStatus::kOk);

  RegValue value;
  ASSERT_EQ(hive_->QueryValue(key, "bin", &value), RegStatus::kOk);
  EXPECT_EQ(value.type, RegType::kBinary);
  EXPECT_EQ(value.data, binary);
  ASSERT_EQ(hive_->QueryValue(key, "TEXT", &value), RegStatus::kOk);
  EXPECT_EQ(value.data, text);
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
  EXPECT_EQ(names, testing::InHiveOrder(*hive_, {"Bin", "Text", "Odd", ""}));
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
  // The values named in the order they were set, as this hive enumerates them.
  const auto in_order = [this](std::vector<std::pair<std::string, std::string>> set) {
    std::vector<std::string> names;
    for (const auto& [name, data] : set) names.push_back(name);
    std::string all;
    for (const std::string& name : testing::InHiveOrder(*hive_, names)) {
      for (const auto& [set_name, data] : set) {
        if (set_name == name) all += name + "=" + data + ";";
      }
    }
    return all;
  };
  RegKey other_c = 0;
  ASSERT_EQ(other->OpenKey("Jobs\\c", false, &other_c), RegStatus::kOk);
  for (const char* name : {"x", "y", "z"}) {
    ASSERT_EQ(hive_->SetValue(c, name, {RegType::kSz, "1"}), RegStatus::kOk);
  }
  EXPECT_EQ(values(*other, other_c), in_order({{"x", "1"}, {"y", "1"}, {"z", "1"}}));
  ASSERT_EQ(hive_->SetValue(c, "X", {RegType::kSz, "2"}), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(c, "y"), RegStatus::kOk);
  EXPECT_EQ(values(*hive_, c), in_order({{"x", "2"}, {"z", "1"}}));
  ASSERT_EQ(other->SetValue(other_c, "w", {RegType::kSz, "3"}), RegStatus::kOk);
  EXPECT_EQ(values(*hive_, c), in_order({{"x", "2"}, {"z", "1"}, {"w", "3"}}));
  EXPECT_EQ(values(*other, other_c), in_order({{"x", "2"}, {"z", "1"}, {"w", "3"}}));

  // What a rolled-back transaction created is gone from the enumeration too.
  const std::string with_v = in_order({{"x", "2"}, {"z", "1"}, {"w", "3"}, {"v", "4"}});
  {
    HiveTransaction transaction(*hive_);
    MustOpen("Jobs\\e", true);
    ASSERT_EQ(hive_->SetValue(c, "v", {RegType::kSz, "4"}), RegStatus::kOk);
    EXPECT_EQ(SubKeys(jobs), (std::vector<std::string>{"A", "c", "d", "e", "f"}));
    EXPECT_EQ(values(*hive_, c), with_v);
  }
  EXPECT_EQ(SubKeys(jobs), (std::vector<std::string>{"A", "c", "d", "f"}));
  EXPECT_EQ(values(*hive_, c), in_order({{"x", "2"}, {"z", "1"}, {"w", "3"}}));

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

}  // namespace
}  // namespace parvolind
