#include "store/job_store.h"

#include <algorithm>
#include <cstdio>

#include "platform/path_rules.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

constexpr const char* kEmptyNameText = "Bitte geben Sie eine Auftrags-Bezeichnung ein.";
constexpr const char* kLongNameText =
    "Die Auftrags-Bezeichnung darf höchstens 255 Zeichen lang sein.";
constexpr const char* kBadCharacterText =
    "Die Auftrags-Bezeichnung darf keinen umgekehrten Schrägstrich (\\) und keine "
    "Steuerzeichen enthalten.";
constexpr const char* kRelativeDir1Text =
    "Bitte geben Sie für Verzeichnis 1 einen absoluten Pfad an.";
constexpr const char* kRelativeDir2Text =
    "Bitte geben Sie für Verzeichnis 2 einen absoluten Pfad an.";
constexpr const char* kDuplicateText = "Es existiert bereits ein Auftrag mit dieser Bezeichnung!";

// A backslash would make the job a nested key; control characters would break
// every line-based listing of the jobs.
bool HasForbiddenCharacter(std::string_view name) {
  return std::any_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '\\' || byte < 0x20 || byte == 0x7F;
  });
}

// A run resolves a relative directory against whatever folder the program
// happens to run in, and an empty one would become the root folder: neither may
// reach the store.
bool IsAbsoluteDirectory(std::string_view path) { return IsAbsolutePath(path); }

// Key names compare as the hive compares them: A-Z folded, other bytes as they are.
bool SameKeyName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return fold(x) == fold(y);
  });
}

// Reads the values the wizard defines, `Dir1` to `CRC32`, in their stored order. With
// `first_criterion_only` the criteria are one choice: a criterion after the first true
// one is neither read nor set.
void ReadDefinedValues(const RegistryKey& key, bool first_criterion_only, JobDefinition& job) {
  job.Dir1 = key.ReadString(job_value::kDir1);
  job.Dir2 = key.ReadString(job_value::kDir2);
  job.SubDirs = key.ReadBool("SubDirs");
  job.DirUp = key.ReadBool("DirUp");
  job.DirDown = key.ReadBool("DirDown");
  job.CritAll = key.ReadBool("CritAll");
  if (first_criterion_only) {
    job.CritNew = !job.CritAll && key.ReadBool("CritNew");
    job.CritNewer = !job.CritAll && !job.CritNew && key.ReadBool("CritNewer");
  } else {
    job.CritNew = key.ReadBool("CritNew");
    job.CritNewer = key.ReadBool("CritNewer");
  }
  job.ArchivBit = key.ReadBool("ArchivBit");
  job.DelOthers = key.ReadBool("DelOthers");
  job.FilterType = key.ReadInteger("FilterType");
  job.Filter = key.ReadString("Filter");
  job.FilterOld = key.ReadBool("FilterOld");
  job.FilterValue = key.ReadInteger("FilterValue");
  job.Intervall = key.ReadInteger(job_value::kIntervall);
  job.IntEnabled = key.ReadBool(job_value::kIntEnabled);
  job.Time = key.ReadString(job_value::kTime);
  job.TimeEnabled = key.ReadBool(job_value::kTimeEnabled);
  // A missing weekday counts as selected, as the schedule reads it.
  const auto weekday = [&key](std::string_view value) {
    return !key.ValueExists(value) || key.ReadBool(value);
  };
  job.OnMonday = weekday("OnMonday");
  job.OnTuesday = weekday("OnTuesday");
  job.OnWednesday = weekday("OnWednesday");
  job.OnThursday = weekday("OnThursday");
  job.OnFriday = weekday("OnFriday");
  job.OnSaturday = weekday("OnSaturday");
  job.OnSunday = weekday("OnSunday");
  job.CRC32 = key.ReadBool("CRC32");
}

// Deletes the key `name` below `parent_path` with everything in it, sub-keys
// first and from the last index down, so that the indexes still to be visited
// stay valid. A key that does not exist counts as deleted.
RegStatus DeleteKeyTree(RegistryHive& hive, const std::string& parent_path,
                        const std::string& name) {
  const std::string path = parent_path + "\\" + name;
  RegKey key = 0;
  RegStatus status = hive.OpenKey(path, false, &key);
  if (status == RegStatus::kNotFound) return RegStatus::kOk;
  if (status != RegStatus::kOk) return status;
  uint32_t sub_keys = 0;
  status = hive.QueryInfoKey(key, &sub_keys, nullptr, nullptr);
  for (uint32_t index = sub_keys; status == RegStatus::kOk && index > 0; --index) {
    std::string child;
    status = hive.EnumKey(key, index - 1, &child);
    if (status == RegStatus::kOk) status = DeleteKeyTree(hive, path, child);
  }
  hive.CloseKey(key);
  if (status != RegStatus::kOk) return status;

  RegKey parent = 0;
  status = hive.OpenKey(parent_path, false, &parent);
  if (status != RegStatus::kOk) return status;
  status = hive.DeleteKey(parent, name);
  hive.CloseKey(parent);
  return status == RegStatus::kNotFound ? RegStatus::kOk : status;
}

std::string StoreWriteError(std::string_view name) {
  return "Fehler beim Setzen der Daten für '" + std::string(name) + "'";
}

}  // namespace

bool IsUsableJobName(std::string_view name) {
  // Not empty (that would be the Jobs key itself), one key level, within the
  // registry's length.
  return !name.empty() && name.size() <= kMaxJobNameLength && !HasForbiddenCharacter(name);
}

std::string JobKeyPath(std::string_view job_name) {
  std::string path(kJobsKeyPrefix);
  path += job_name;
  return path;
}

JobStore::JobStore(RegistryHive& hive, const Clock& clock, const Locale& locale)
    : hive_(hive), clock_(clock), locale_(locale) {}

std::vector<std::string> JobStore::ListJobs() const {
  std::vector<std::string> names;
  RegKey jobs = 0;
  if (hive_.OpenKey(kJobsKeyPath, false, &jobs) != RegStatus::kOk) return names;
  uint32_t count = 0;
  if (hive_.QueryInfoKey(jobs, &count, nullptr, nullptr) == RegStatus::kOk) {
    names.reserve(count);
    std::string name;
    for (uint32_t index = 0; hive_.EnumKey(jobs, index, &name) == RegStatus::kOk; ++index) {
      names.push_back(name);
    }
  }
  hive_.CloseKey(jobs);
  return names;
}

std::vector<std::string> JobStore::ListJobsSorted() const {
  std::vector<std::string> names = ListJobs();
  std::stable_sort(names.begin(), names.end(), [this](const std::string& a, const std::string& b) {
    return locale_.CompareNames(a, b) < 0;
  });
  return names;
}

bool JobStore::JobExists(const std::string& name) const {
  // An empty name would find the Jobs key itself, a backslash a key further down.
  if (!IsUsableJobName(name)) return false;
  RegKey key = 0;
  if (hive_.OpenKey(JobKeyPath(name), false, &key) != RegStatus::kOk) return false;
  hive_.CloseKey(key);
  return true;
}

std::string JobStore::StoredName(const std::string& name) const {
  if (!IsUsableJobName(name)) return name;
  // The hive finds key names by folding A-Z alone, so that is the comparison that finds the
  // one key a name opens.
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (const std::string& stored : ListJobs()) {
    if (std::equal(stored.begin(), stored.end(), name.begin(), name.end(),
                   [&fold](char a, char b) { return fold(a) == fold(b); })) {
      return stored;
    }
  }
  return name;
}

void JobStore::DeleteJob(const std::string& name) {
  if (!IsUsableJobName(name)) return;
  HiveTransaction transaction(hive_);
  if (transaction.status() != RegStatus::kOk) return;
  if (DeleteKeyTree(hive_, std::string(kJobsKeyPath), name) == RegStatus::kOk) {
    transaction.Commit();
  }
}

JobSummary JobStore::ReadJobSummary(const std::string& name) const {
  RegistryKey key(hive_);
  key.OpenForReading(JobKeyPath(name));
  JobSummary job;
  job.name = key.ReadString("Name");
  job.definition = key.ReadString("Definition");
  job.dir1 = key.ReadString(job_value::kDir1);
  job.dir2 = key.ReadString(job_value::kDir2);
  job.execution = key.ReadString(job_value::kExecution);
  return job;
}

JobDefinition JobStore::LoadJob(const std::string& name) const {
  RegistryKey key(hive_);
  if (IsUsableJobName(name)) key.OpenForReading(JobKeyPath(name));
  JobDefinition job;
  job.Name = key.ReadString("Name");
  job.Definition = key.ReadString("Definition");
  job.Execution = key.ReadString(job_value::kExecution);
  ReadDefinedValues(key, false, job);
  job.NextSync = key.ReadDateTime(job_value::kNextSync);
  job.Recover = key.ReadInteger(job_value::kRecover);
  if (key.ValueExists(job_value::kConfirm)) job.Confirm = key.ReadBool(job_value::kConfirm);
  return job;
}

JobDefinition JobStore::LoadJobForEditing(const std::string& name) const {
  RegistryKey key(hive_);
  if (IsUsableJobName(name)) key.OpenForReading(JobKeyPath(name));
  JobDefinition job;
  job.Name = key.ReadString("Name");
  ReadDefinedValues(key, true, job);
  return job;
}

void JobStore::SaveJob(const JobDefinition& job, const std::string& edited_name,
                       const JobDateFunction& job_date) {
  const std::string& name = job.Name;
  if (name.empty()) throw JobSaveRefused(kEmptyNameText);
  if (name.size() > kMaxJobNameLength) throw JobSaveRefused(kLongNameText);
  if (HasForbiddenCharacter(name)) throw JobSaveRefused(kBadCharacterText);
  if (!IsAbsoluteDirectory(job.Dir1)) throw JobSaveRefused(kRelativeDir1Text);
  if (!IsAbsoluteDirectory(job.Dir2)) throw JobSaveRefused(kRelativeDir2Text);

  // Everything from the duplicate test to the last value is one unit: another
  // process cannot slip a job of the same name in between, and a failure at any
  // point leaves the old job exactly as it was.
  HiveTransaction transaction(hive_);
  if (transaction.status() != RegStatus::kOk) throw RegistryError(StoreWriteError(name));

  const bool editing = !edited_name.empty();
  if (JobExists(name) && !(editing && SameKeyName(name, edited_name))) {
    throw JobSaveRefused(kDuplicateText);
  }
  // Always a fresh key, also under an unchanged name: values of the old key
  // (Confirm, Recover) must not survive the save.
  if (editing && IsUsableJobName(edited_name)) {
    if (DeleteKeyTree(hive_, std::string(kJobsKeyPath), edited_name) != RegStatus::kOk) {
      throw RegistryError(StoreWriteError(edited_name));
    }
  }

  RegistryKey key(hive_);
  key.OpenForWriting(JobKeyPath(name), true);
  key.WriteString("Name", name);
  key.WriteString("Definition", FormatRunTime(clock_.Now(), locale_));
  key.WriteString(job_value::kExecution, "n/a");
  key.WriteString(job_value::kDir1, job.Dir1);
  key.WriteString(job_value::kDir2, job.Dir2);
  key.WriteBool("SubDirs", job.SubDirs);
  key.WriteBool("DirUp", job.DirUp);
  key.WriteBool("DirDown", job.DirDown);
  key.WriteBool("CritAll", job.CritAll);
  key.WriteBool("CritNew", job.CritNew);
  key.WriteBool("CritNewer", job.CritNewer);
  key.WriteBool("ArchivBit", job.ArchivBit);
  key.WriteBool("DelOthers", job.DelOthers);
  key.WriteInteger("FilterType", job.FilterType);
  key.WriteString("Filter", job.Filter);
  key.WriteBool("FilterOld", job.FilterOld);
  key.WriteInteger("FilterValue", job.FilterValue);
  key.WriteInteger(job_value::kIntervall, job.Intervall);
  key.WriteBool(job_value::kIntEnabled, job.IntEnabled);
  key.WriteString(job_value::kTime, job.Time);
  key.WriteBool(job_value::kTimeEnabled, job.TimeEnabled);
  key.WriteBool("OnMonday", job.OnMonday);
  key.WriteBool("OnTuesday", job.OnTuesday);
  key.WriteBool("OnWednesday", job.OnWednesday);
  key.WriteBool("OnThursday", job.OnThursday);
  key.WriteBool("OnFriday", job.OnFriday);
  key.WriteBool("OnSaturday", job.OnSaturday);
  key.WriteBool("OnSunday", job.OnSunday);
  key.WriteBool("CRC32", job.CRC32);
  // The next moment is computed from the values just written; the function
  // reads them back through the same hive, inside this transaction.
  key.WriteDateTime(job_value::kNextSync, job_date ? job_date(name) : 0.0);
  if (!key.ValueExists(job_value::kRecover)) key.WriteInteger(job_value::kRecover, 2);
  key.Close();

  if (transaction.Commit() != RegStatus::kOk) throw RegistryError(StoreWriteError(name));
}

std::string JobStore::FormatRunTime(const LocalTime& time, const Locale& locale) {
  // Built piece by piece: the separators are fixed whatever the locale's own
  // date and time separators are; only the month name is the locale's.
  char day[4];
  char year_and_time[64];
  std::snprintf(day, sizeof(day), "%02d", time.day % 100);
  std::snprintf(year_and_time, sizeof(year_and_time), " %04d, %02d:%02d Uhr", time.year,
                time.hour % 100, time.minute % 100);
  return std::string(day) + ". " + locale.LongMonthName(time.month) + year_and_time;
}

}  // namespace parvolind
