#include "store/registry_key.h"

#include <gtest/gtest.h>

#include <memory>

#include "store/registry_error_of.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::InHiveOrder;

constexpr std::string_view kPath = "\\Software\\Orbelt\\Parvolind\\Jobs\\Probe";

class RegistryKeyTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
  }

  // Stores a value with any type and bytes, bypassing the program's writers.
  void SetRaw(std::string_view name, RegType type, std::string data) {
    RegKey key = 0;
    ASSERT_EQ(hive_->OpenKey(kPath, true, &key), RegStatus::kOk);
    ASSERT_EQ(hive_->SetValue(key, name, RegValue{type, std::move(data)}), RegStatus::kOk);
    hive_->CloseKey(key);
  }

  RegValue Raw(std::string_view name) {
    RegistryKey key(*hive_);
    RegValue value;
    EXPECT_TRUE(key.OpenForReading(kPath));
    EXPECT_TRUE(key.QueryRaw(name, &value)) << name;
    return value;
  }

  std::unique_ptr<RegistryHive> hive_;
};

using testing::ErrorOf;

TEST_F(RegistryKeyTest, WritesTheStoredFormsAndReadsThemBack) {
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(kPath, true));
    key.WriteString("Dir1",
                    "/home/anna/Gr\xC3\xBC\xC3\x9F"
                    "e/");
    key.WriteString("Filter", "");
    key.WriteInteger("FilterValue", -2);
    key.WriteBool("SubDirs", true);
    key.WriteBool("DirUp", false);
    key.WriteDateTime("NextSync", 46364.75);
  }
  EXPECT_EQ(Raw("Dir1").type, RegType::kSz);
  EXPECT_EQ(Raw("Dir1").data, std::string("/home/anna/Gr\xC3\xBC\xC3\x9F"
                                          "e/") +
                                  '\0');
  EXPECT_EQ(Raw("Filter").data, std::string(1, '\0'));
  EXPECT_EQ(Raw("FilterValue").type, RegType::kDword);
  EXPECT_EQ(Raw("FilterValue").data, std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_EQ(Raw("SubDirs").data, std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(Raw("DirUp").data, std::string(4, '\0'));
  EXPECT_EQ(Raw("NextSync").type, RegType::kBinary);
  // 46364.75 = 0x40E6A39800000000, stored low byte first.
  EXPECT_EQ(Raw("NextSync").data, std::string("\x00\x00\x00\x00\x98\xA3\xE6\x40", 8));

  RegistryKey key(*hive_);
  ASSERT_TRUE(key.OpenForReading(kPath));
  EXPECT_EQ(key.ReadString("Dir1"),
            "/home/anna/Gr\xC3\xBC\xC3\x9F"
            "e/");
  EXPECT_EQ(key.ReadString("Filter"), "");
  EXPECT_EQ(key.ReadInteger("FilterValue"), -2);
  EXPECT_TRUE(key.ReadBool("SubDirs"));
  EXPECT_FALSE(key.ReadBool("DirUp"));
  EXPECT_DOUBLE_EQ(key.ReadDateTime("NextSync"), 46364.75);
  EXPECT_EQ(key.ValueNames(), InHiveOrder(*hive_, {"Dir1", "Filter", "FilterValue", "SubDirs",
                                                   "DirUp", "NextSync"}));
}

TEST_F(RegistryKeyTest, ReadsForeignFormsByTheRules) {
  SetRaw("Expand", RegType::kExpandSz, std::string("ab\0cd\0", 6));
  SetRaw("NoNul", RegType::kSz, "plain");
  SetRaw("Five", RegType::kDword, std::string("\x05\x00\x00\x00", 4));
  SetRaw("Big", RegType::kDword, std::string("\xFF\xFF\xFF\x7F", 4));
  RegistryKey key(*hive_);
  ASSERT_TRUE(key.OpenForReading(kPath));
  EXPECT_EQ(key.ReadString("Expand"), "ab");
  EXPECT_EQ(key.ReadString("NoNul"), "plain");
  EXPECT_TRUE(key.ReadBool("Five"));  // any non-zero value is true
  EXPECT_EQ(key.ReadInteger("Five"), 5);
  EXPECT_EQ(key.ReadInteger("Big"), 2147483647);
}

TEST_F(RegistryKeyTest, MissingAndMistypedValuesGiveTheStoreTexts) {
  SetRaw("Text", RegType::kSz, std::string("18:00\0", 6));
  SetRaw("Number", RegType::kDword, std::string("\x01\x00\x00\x00", 4));
  SetRaw("Short", RegType::kDword, std::string("\x01\x00", 2));
  SetRaw("Date4", RegType::kBinary, std::string("\x00\x00\x80\x3F", 4));
  SetRaw("Multi", RegType::kMultiSz, std::string("a\0\0", 3));
  SetRaw("Quad", RegType::kQword, std::string(8, '\0'));
  SetRaw("Date12", RegType::kBinary, std::string(12, '\0'));
  RegistryKey key(*hive_);
  ASSERT_TRUE(key.OpenForReading(kPath));

  EXPECT_TRUE(key.ValueExists("Text"));
  EXPECT_TRUE(key.ValueExists("text"));  // value names ignore case
  EXPECT_FALSE(key.ValueExists("Missing"));
  EXPECT_EQ(key.ReadString("Missing"), "");
  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Intervall"); }),
            "Fehler beim Holen der Daten für 'Intervall'");
  EXPECT_EQ(ErrorOf([&] { key.ReadBool("CritAll"); }), "Fehler beim Holen der Daten für 'CritAll'");
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("NextSync"); }),
            "Fehler beim Holen der Daten für 'NextSync'");

  EXPECT_EQ(ErrorOf([&] { key.ReadString("Number"); }), "Ungültiger Datentyp für 'Number'");
  EXPECT_EQ(ErrorOf([&] { key.ReadString("Multi"); }), "Ungültiger Datentyp für 'Multi'");
  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Text"); }), "Ungültiger Datentyp für 'Text'");
  EXPECT_EQ(ErrorOf([&] { key.ReadBool("Text"); }), "Ungültiger Datentyp für 'Text'");
  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Short"); }), "Ungültiger Datentyp für 'Short'");
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("Date4"); }), "Ungültiger Datentyp für 'Date4'");
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("Number"); }), "Ungültiger Datentyp für 'Number'");
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("Quad"); }), "Ungültiger Datentyp für 'Quad'");
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("Date12"); }), "Ungültiger Datentyp für 'Date12'");
}

TEST_F(RegistryKeyTest, AWriteReplacesAValueOfAnotherType) {
  SetRaw("Time", RegType::kDword, std::string(4, '\0'));
  RegistryKey key(*hive_);
  ASSERT_TRUE(key.OpenForWriting(kPath, false));
  key.WriteString("Time", "18:00");
  EXPECT_EQ(key.ReadString("Time"), "18:00");
  key.WriteDateTime("Time", 0.5);
  EXPECT_DOUBLE_EQ(key.ReadDateTime("Time"), 0.5);
}

TEST_F(RegistryKeyTest, AKeyThatCannotBeOpenedReadsEmptyAndRefusesWrites) {
  RegistryKey key(*hive_);
  EXPECT_FALSE(key.OpenForReading(kPath));
  EXPECT_FALSE(key.IsOpen());
  EXPECT_FALSE(key.ValueExists("Name"));
  EXPECT_EQ(key.ReadString("Name"), "");
  EXPECT_TRUE(key.ValueNames().empty());
  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Recover"); }),
            "Fehler beim Holen der Daten für 'Recover'");
  EXPECT_EQ(ErrorOf([&] { key.WriteString("Name", "x"); }),
            "Fehler beim Setzen der Daten für 'Name'");
  EXPECT_EQ(ErrorOf([&] { key.WriteBool("Confirm", false); }),
            "Fehler beim Setzen der Daten für 'Confirm'");
  EXPECT_FALSE(key.OpenForWriting(kPath, false));  // without creation nothing appears
  EXPECT_EQ(ErrorOf([&] { key.WriteDateTime("NextSync", 1.0); }),
            "Fehler beim Setzen der Daten für 'NextSync'");
  RegistryKey check(*hive_);
  EXPECT_FALSE(check.OpenForReading(kPath));
}

TEST_F(RegistryKeyTest, ADeletedKeyIsNotRecreatedByALaterWrite) {
  RegistryKey writer(*hive_);
  ASSERT_TRUE(writer.OpenForWriting(kPath, true));
  writer.WriteInteger("Recover", 2);

  // The job is deleted while the writer still holds its key open.
  RegKey jobs = 0;
  ASSERT_EQ(hive_->OpenKey("\\Software\\Orbelt\\Parvolind\\Jobs", false, &jobs), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteKey(jobs, "Probe"), RegStatus::kOk);
  hive_->CloseKey(jobs);

  EXPECT_EQ(ErrorOf([&] { writer.WriteInteger("Recover", 0); }),
            "Fehler beim Setzen der Daten für 'Recover'");
  RegistryKey reopened(*hive_);
  EXPECT_FALSE(reopened.OpenForWriting(kPath, false));
  EXPECT_FALSE(reopened.OpenForReading(kPath));
  EXPECT_TRUE(reopened.OpenForWriting(kPath, true));  // only creation brings it back
  EXPECT_FALSE(reopened.ValueExists("Recover"));
}

}  // namespace
}  // namespace parvolind
