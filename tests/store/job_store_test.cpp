#include "store/job_store.h"

#include <gtest/gtest.h>

#include <memory>

#include "refusing_hive.h"
#include "registry_error_of.h"
#include "store/registry_key.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::AbsolutePath;
using testing::InHiveOrder;

class JobStoreTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
    store_ = std::make_unique<JobStore>(*hive_, clock_, *locale_);
  }

  // A job as the wizard would hand it over.
  static JobDefinition Job(const std::string& name) {
    JobDefinition job;
    job.Name = name;
    job.Dir1 = AbsolutePath("/home/anna/");
    job.Dir2 = AbsolutePath("/media/anna/stick/");
    job.DirDown = true;
    job.Filter = "*.bmp;*.exe";
    job.TimeEnabled = true;
    job.Time = "07:30";
    job.OnSaturday = false;
    job.CRC32 = false;
    return job;
  }

  JobDateFunction FixedDate(DateTime value) {
    return [value](const std::string&) { return value; };
  }

  // Creates a key below Jobs (and optional values) without the store's save.
  void MakeKey(const std::string& path) {
    RegKey key = 0;
    ASSERT_EQ(hive_->OpenKey(std::string(kJobsKeyPrefix) + path, true, &key), RegStatus::kOk);
    hive_->CloseKey(key);
  }

  std::vector<std::string> ValueNamesOf(const std::string& job) {
    RegistryKey key(*hive_);
    key.OpenForReading(JobKeyPath(job));
    return key.ValueNames();
  }

  template <typename Call>
  static std::string RefusalOf(Call call) {
    try {
      call();
    } catch (const JobSaveRefused& e) {
      return e.what();
    }
    return "(not refused)";
  }

  testing::FakeClock clock_{{2026, 12, 8, 3, 17, 42, 0}};
  std::unique_ptr<Locale> locale_ = CreateLocale("de_DE");
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<JobStore> store_;
};

TEST_F(JobStoreTest, FormatsRunTimesWithFixedSeparators) {
  EXPECT_EQ(JobStore::FormatRunTime({2026, 12, 8, 3, 17, 59, 0}, *locale_),
            "08. Dezember 2026, 03:17 Uhr");
  EXPECT_EQ(JobStore::FormatRunTime({2027, 3, 1, 23, 5, 0, 0}, *locale_),
            "01. M\xC3\xA4rz 2027, 23:05 Uhr");
}

TEST_F(JobStoreTest, ListsJobsInStoreAndInListOrder) {
  EXPECT_TRUE(store_->ListJobs().empty());  // no Jobs key at all
  for (const char* name : {"Zeta", "\xC3\x84pfel", "Beta", "alpha"}) MakeKey(name);
  EXPECT_EQ(store_->ListJobs(),
            (std::vector<std::string>{"alpha", "Beta", "Zeta", "\xC3\x84pfel"}));
  EXPECT_EQ(store_->ListJobsSorted(),
            (std::vector<std::string>{"alpha", "\xC3\x84pfel", "Beta", "Zeta"}));

  // A key without values is a job; names match without regard to case.
  EXPECT_TRUE(store_->JobExists("BETA"));
  EXPECT_FALSE(store_->JobExists("Gamma"));
  EXPECT_FALSE(store_->JobExists(""));  // not the Jobs key itself
  MakeKey("Beta\\Inner");
  EXPECT_FALSE(store_->JobExists("Beta\\Inner"));
}

TEST_F(JobStoreTest, DeletesAJobWithEverythingBelowIt) {
  store_->SaveJob(Job("Backup"), "", FixedDate(0.0));
  store_->SaveJob(Job("Backup2"), "", FixedDate(0.0));
  MakeKey("Backup\\a\\deep");
  MakeKey("Backup\\b");
  store_->DeleteJob("BACKUP");
  EXPECT_EQ(store_->ListJobs(), std::vector<std::string>{"Backup2"});
  EXPECT_FALSE(store_->JobExists("Backup"));

  store_->DeleteJob("Backup");  // gone already: no error
  store_->DeleteJob("");        // never the Jobs key itself
  EXPECT_EQ(store_->ListJobs(), std::vector<std::string>{"Backup2"});
}

TEST_F(JobStoreTest, SavesANewJobInTheFixedOrder) {
  std::vector<bool> seen_weekdays;
  const JobDateFunction job_date = [&](const std::string& name) {
    // The schedule reads the just written values back through the same hive.
    RegistryKey key(*hive_);
    EXPECT_TRUE(key.OpenForReading(JobKeyPath(name)));
    seen_weekdays = {key.ReadBool("OnMonday"), key.ReadBool("OnSaturday"), key.ReadBool("OnSunday"),
                     key.ReadBool("TimeEnabled")};
    EXPECT_FALSE(key.ValueExists("NextSync"));
    return 46364.3125;
  };
  store_->SaveJob(Job("Backup"), "", job_date);
  EXPECT_EQ(seen_weekdays, (std::vector<bool>{true, false, true, true}));

  std::vector<std::string> expected(kJobValueNames.begin(), kJobValueNames.end() - 1);
  EXPECT_EQ(ValueNamesOf("Backup"), InHiveOrder(*hive_, expected));  // everything but Confirm, in order

  const JobDefinition loaded = store_->LoadJob("backup");
  EXPECT_EQ(loaded.Name, "Backup");
  EXPECT_EQ(loaded.Definition, "08. Dezember 2026, 03:17 Uhr");
  EXPECT_EQ(loaded.Execution, "n/a");
  EXPECT_EQ(loaded.Dir1, AbsolutePath("/home/anna/"));
  EXPECT_EQ(loaded.Dir2, AbsolutePath("/media/anna/stick/"));
  EXPECT_TRUE(loaded.DirDown);
  EXPECT_FALSE(loaded.DirUp);
  EXPECT_EQ(loaded.Filter, "*.bmp;*.exe");
  EXPECT_EQ(loaded.FilterType, 0);  // the pattern text is kept all the same
  EXPECT_EQ(loaded.FilterValue, 14);
  EXPECT_EQ(loaded.Intervall, 10);
  EXPECT_FALSE(loaded.IntEnabled);
  EXPECT_EQ(loaded.Time, "07:30");
  EXPECT_FALSE(loaded.OnSaturday);
  EXPECT_TRUE(loaded.OnSunday);
  EXPECT_FALSE(loaded.CRC32);
  EXPECT_DOUBLE_EQ(loaded.NextSync, 46364.3125);
  EXPECT_EQ(loaded.Recover, 2);
  EXPECT_FALSE(loaded.Confirm.has_value());
}

TEST_F(JobStoreTest, LoadAllowsMissingWeekdaysAndConfirmOnly) {
  store_->SaveJob(Job("Backup"), "", FixedDate(0.0));
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Backup"), false));
    key.WriteBool("Confirm", false);
  }
  RegKey raw = 0;
  ASSERT_EQ(hive_->OpenKey(JobKeyPath("Backup"), false, &raw), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(raw, "OnSaturday"), RegStatus::kOk);
  hive_->CloseKey(raw);
  JobDefinition loaded = store_->LoadJob("Backup");
  EXPECT_TRUE(loaded.OnSaturday);  // missing counts as selected
  ASSERT_TRUE(loaded.Confirm.has_value());
  EXPECT_FALSE(*loaded.Confirm);

  MakeKey("Empty");  // a job without values
  try {
    store_->LoadJob("Empty");
    ADD_FAILURE() << "a job without values loaded";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Fehler beim Holen der Daten für 'SubDirs'");
  }
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Backup"), false));
    key.WriteString("Recover", "2");
  }
  try {
    store_->LoadJob("Backup");
    ADD_FAILURE() << "a mistyped value loaded";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Ungültiger Datentyp für 'Recover'");
  }

  // Editing reads only what the wizard shows: a mistyped Recover, a missing
  // NextSync and a criterion after the first true one do not stop it.
  RegKey edit = 0;
  ASSERT_EQ(hive_->OpenKey(JobKeyPath("Backup"), false, &edit), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(edit, "NextSync"), RegStatus::kOk);
  ASSERT_EQ(hive_->DeleteValue(edit, "CritNew"), RegStatus::kOk);
  hive_->CloseKey(edit);
  const JobDefinition editable = store_->LoadJobForEditing("Backup");
  EXPECT_TRUE(editable.CritAll);
  EXPECT_EQ(editable.Dir2, AbsolutePath("/media/anna/stick/"));
  EXPECT_EQ(testing::ErrorOf([&] { store_->LoadJobForEditing("Empty"); }),
            "Fehler beim Holen der Daten für 'SubDirs'");
}

TEST_F(JobStoreTest, RefusesDuplicatesWithoutRegardToCase) {
  store_->SaveJob(Job("Backup"), "", FixedDate(1.0));
  store_->SaveJob(Job("Other"), "", FixedDate(1.0));
  const std::string duplicate = "Es existiert bereits ein Auftrag mit dieser Bezeichnung!";
  JobDefinition changed = Job("BACKUP");
  changed.Dir1 = AbsolutePath("/elsewhere/");
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(changed, "", FixedDate(2.0)); }), duplicate);
  // Renaming an edited job onto another job is refused; both stay as stored.
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(changed, "Other", FixedDate(2.0)); }), duplicate);
  EXPECT_EQ(store_->ListJobs(), (std::vector<std::string>{"Backup", "Other"}));
  EXPECT_EQ(store_->LoadJob("Backup").Dir1, AbsolutePath("/home/anna/"));
  EXPECT_EQ(store_->LoadJob("Other").Dir1, AbsolutePath("/home/anna/"));
  EXPECT_DOUBLE_EQ(store_->LoadJob("Other").NextSync, 1.0);
}

TEST_F(JobStoreTest, RenamesAnEditedJob) {
  store_->SaveJob(Job("Backup"), "", FixedDate(1.0));
  store_->SaveJob(Job("backup"), "Backup", FixedDate(1.0));  // case only: no conflict
  EXPECT_EQ(store_->ListJobs(), std::vector<std::string>{"backup"});
  EXPECT_EQ(store_->LoadJob("backup").Name, "backup");

  store_->SaveJob(Job("Sicherung"), "BACKUP", FixedDate(1.0));
  EXPECT_EQ(store_->ListJobs(), std::vector<std::string>{"Sicherung"});

  // The edited job was deleted meanwhile: the save still creates the new one.
  store_->SaveJob(Job("Neu"), "Weg", FixedDate(1.0));
  EXPECT_EQ(store_->ListJobs(), (std::vector<std::string>{"Neu", "Sicherung"}));
}

TEST_F(JobStoreTest, SavingUnderTheSameNameWritesAFreshKey) {
  store_->SaveJob(Job("Backup"), "", FixedDate(46364.3125));
  {  // what runs and the timer leave behind
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Backup"), false));
    key.WriteString("Execution", "08. Dezember 2026, 07:31 Uhr");
    key.WriteBool("Confirm", false);
    key.WriteInteger("Recover", 0);
    key.WriteString("Extra", "left over");
  }
  clock_.AdvanceDays(1);
  clock_.AdvanceMinutes(60);
  JobDefinition edited = Job("Backup");
  edited.Dir2 = AbsolutePath("/media/anna/other/");
  store_->SaveJob(edited, "Backup", FixedDate(46365.3125));

  const JobDefinition loaded = store_->LoadJob("Backup");
  EXPECT_EQ(loaded.Execution, "n/a");
  EXPECT_EQ(loaded.Recover, 2);
  EXPECT_FALSE(loaded.Confirm.has_value());
  EXPECT_EQ(loaded.Definition, "09. Dezember 2026, 04:17 Uhr");
  EXPECT_DOUBLE_EQ(loaded.NextSync, 46365.3125);
  EXPECT_EQ(loaded.Dir2, AbsolutePath("/media/anna/other/"));
  std::vector<std::string> expected(kJobValueNames.begin(), kJobValueNames.end() - 1);
  EXPECT_EQ(ValueNamesOf("Backup"), InHiveOrder(*hive_, expected));
}

TEST_F(JobStoreTest, RefusesUnusableNamesAndWritesNothing) {
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(Job(""), "", FixedDate(0.0)); }),
            "Bitte geben Sie eine Auftrags-Bezeichnung ein.");
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(Job(std::string(256, 'x')), "", FixedDate(0.0)); }),
            "Die Auftrags-Bezeichnung darf höchstens 255 Zeichen lang sein.");
  const std::string bad_character =
      "Die Auftrags-Bezeichnung darf keinen umgekehrten Schrägstrich (\\) und keine "
      "Steuerzeichen enthalten.";
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(Job("a\\b"), "", FixedDate(0.0)); }), bad_character);
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(Job("a\tb"), "", FixedDate(0.0)); }), bad_character);
  const std::string with_delete = std::string("a") + '\x7F' + "b";
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(Job(with_delete), "", FixedDate(0.0)); }),
            bad_character);
  RegKey key = 0;
  EXPECT_EQ(hive_->OpenKey("\\Software", false, &key), RegStatus::kNotFound);

  // Editing: the refused save leaves the edited job in place.
  store_->SaveJob(Job("Backup"), "", FixedDate(0.0));
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(Job(""), "Backup", FixedDate(0.0)); }),
            "Bitte geben Sie eine Auftrags-Bezeichnung ein.");
  EXPECT_EQ(store_->ListJobs(), std::vector<std::string>{"Backup"});
  JobDefinition relative = Job("Backup");
  relative.Dir1 = "daten/";
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(relative, "Backup", FixedDate(0.0)); }),
            "Bitte geben Sie für Verzeichnis 1 einen absoluten Pfad an.");
  relative = Job("Backup");
  relative.Dir2 = "";  // would become the root folder
  EXPECT_EQ(RefusalOf([&] { store_->SaveJob(relative, "Backup", FixedDate(0.0)); }),
            "Bitte geben Sie für Verzeichnis 2 einen absoluten Pfad an.");
  EXPECT_EQ(store_->LoadJob("Backup").Dir1, AbsolutePath("/home/anna/"));

  const std::string longest(255, 'x');
  store_->SaveJob(Job(longest), "", FixedDate(0.0));
  EXPECT_TRUE(store_->JobExists(longest));
}

TEST_F(JobStoreTest, AFailingSaveLeavesTheOldJobAsItWas) {
  store_->SaveJob(Job("Backup"), "", FixedDate(46364.3125));
  {
    RegistryKey key(*hive_);
    ASSERT_TRUE(key.OpenForWriting(JobKeyPath("Backup"), false));
    key.WriteBool("Confirm", false);
  }
  const JobDateFunction failing = [](const std::string&) -> DateTime {
    throw std::runtime_error("kaputt");
  };
  JobDefinition edited = Job("Backup");
  edited.Dir1 = AbsolutePath("/changed/");
  EXPECT_THROW(store_->SaveJob(edited, "Backup", failing), std::runtime_error);
  edited.Name = "Renamed";
  EXPECT_THROW(store_->SaveJob(edited, "Backup", failing), std::runtime_error);
  EXPECT_THROW(store_->SaveJob(Job("Fresh"), "", failing), std::runtime_error);

  testing::RefusingHive refusing(*hive_);
  refusing.refused.insert("CRC32");
  JobStore refusing_store(refusing, clock_, *locale_);
  try {
    refusing_store.SaveJob(edited, "Backup", FixedDate(0.0));
    ADD_FAILURE() << "a refused write was not reported";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Fehler beim Setzen der Daten für 'CRC32'");
  }

  EXPECT_EQ(store_->ListJobs(), std::vector<std::string>{"Backup"});
  const JobDefinition loaded = store_->LoadJob("Backup");
  EXPECT_EQ(loaded.Dir1, AbsolutePath("/home/anna/"));
  EXPECT_DOUBLE_EQ(loaded.NextSync, 46364.3125);
  ASSERT_TRUE(loaded.Confirm.has_value());
  EXPECT_FALSE(*loaded.Confirm);

  // The store is usable again after the abandoned saves.
  store_->SaveJob(edited, "Backup", FixedDate(0.0));
  EXPECT_EQ(store_->ListJobs(), std::vector<std::string>{"Renamed"});
}

}  // namespace
}  // namespace parvolind
