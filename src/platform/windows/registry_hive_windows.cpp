// The registry hive on Windows: the real registry through advapi32, UTF-8 inside the program and
// UTF-16 at the calls. The registry has no transactions an ordinary program should use, so a
// transaction here is an undo journal: every change made inside one first notes how to take it
// back, and a rollback (an error, a refused save, an import that stops at a bad line) undoes the
// changes newest first. A named mutex per hive keeps the writers of all processes of the user
// (the desktop program and every parvolind-cli) from interleaving their transactions.
//
// The journal is also kept in a file beside the hive, each note flushed before the change it
// covers, so that the changes of a process that ended in the middle of a transaction (killed,
// crashed, the power gone) are taken back by the next writer: on opening the hive and at the
// start of every transaction, under the mutex, a journal left by a writer that is gone is
// replayed newest first. The outermost commit empties the journal once the changes are flushed;
// that is the moment the transaction counts as made.

#include <windows.h>

#include <cstdio>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/app_paths.h"
#include "platform/registry_hive.h"
#include "platform/windows/registry_journal_windows.h"
#include "platform/windows/registry_value_windows.h"
#include "platform/windows/win_text.h"

namespace parvolind {
namespace {

using windows::BytesOf;
using windows::LongPath;
using windows::Narrow;
using windows::QueryRaw;
using windows::StatusOf;
using windows::UndoJournalFile;
using windows::ValueOf;
using windows::Widen;
using Undo = windows::RegistryUndo;

constexpr size_t kMaxKeyNameLength = 255;
constexpr DWORD kBusyTimeoutMs = 10000;
// Where a hive of its own (a test's, named after a file path) keeps its keys.
constexpr wchar_t kStoresKey[] = L"Software\\Orbelt\\Parvolind-Stores";

class WindowsHive : public RegistryHive {
 public:
  WindowsHive(HKEY root, bool owns_root, bool read_only, const std::wstring& mutex_name,
              const std::wstring& journal_path)
      : root_(root), owns_root_(owns_root), read_only_(read_only), journal_file_(journal_path) {
    if (!mutex_name.empty()) mutex_ = CreateMutexW(nullptr, FALSE, mutex_name.c_str());
    if (!read_only_ && mutex_ && journal_file_.Exists()) RecoverWhenFree();
  }

  ~WindowsHive() override {
    if (depth_ > 0) {
      depth_ = 1;
      RollbackTransaction();
    }
    for (auto& [id, open] : handles_) RegCloseKey(open.key);
    if (owns_root_) RegCloseKey(root_);
    if (mutex_) CloseHandle(mutex_);
  }

  WindowsHive(const WindowsHive&) = delete;
  WindowsHive& operator=(const WindowsHive&) = delete;

  RegStatus OpenKey(std::string_view path, bool create, RegKey* key) override {
    *key = 0;
    std::wstring wide;
    std::vector<std::wstring> prefixes;  // the path to each key on the way, root excluded
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = path.find('\\', start);
      if (end == std::string_view::npos) end = path.size();
      if (end > start) {
        const std::string_view part = path.substr(start, end - start);
        if (part.size() > kMaxKeyNameLength) return RegStatus::kInvalidName;
        if (!wide.empty()) wide.push_back(L'\\');
        wide += Widen(part);
        prefixes.push_back(wide);
      }
      start = end + 1;
    }
    HKEY opened = nullptr;
    LSTATUS code = Open(wide, &opened);
    if (code == ERROR_FILE_NOT_FOUND && create) {
      if (read_only_) return RegStatus::kAccessDenied;
      const RegStatus status = InWriteTransaction([&] {
        // The first key of the path that is missing is the one a rollback removes.
        for (const std::wstring& prefix : prefixes) {
          HKEY probe = nullptr;
          if (Open(prefix, &probe) == ERROR_SUCCESS) {
            RegCloseKey(probe);
            continue;
          }
          if (!Note(Undo{Undo::Kind::kCreatedKey, prefix, {}, {}, {}})) {
            return RegStatus::kIoError;
          }
          break;
        }
        code = RegCreateKeyExW(root_, wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &opened, nullptr);
        return StatusOf(code);
      });
      if (status != RegStatus::kOk) return status;
    } else if (code != ERROR_SUCCESS) {
      return StatusOf(code);
    }
    const RegKey id = next_id_++;
    handles_[id] = OpenKeyEntry{opened, wide};
    *key = id;
    return RegStatus::kOk;
  }

  void CloseKey(RegKey key) override {
    auto it = handles_.find(key);
    if (it == handles_.end()) return;
    RegCloseKey(it->second.key);
    handles_.erase(it);
  }

  RegStatus QueryValue(RegKey key, std::string_view name, RegValue* value) override {
    const OpenKeyEntry* open = Find(key);
    if (!open) return RegStatus::kNotFound;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> data;
    const LSTATUS code = QueryRaw(open->key, Widen(name), &type, &data, &size);
    if (code != ERROR_SUCCESS) return StatusOf(code);
    *value = ValueOf(type, data, size);
    return RegStatus::kOk;
  }

  RegStatus SetValue(RegKey key, std::string_view name, const RegValue& value) override {
    const OpenKeyEntry* open = Find(key);
    if (!open) return RegStatus::kNotFound;
    if (read_only_) return RegStatus::kAccessDenied;
    const std::wstring wide_name = Widen(name);
    return InWriteTransaction([&] {
      if (!NoteValue(*open, wide_name)) return RegStatus::kIoError;
      const std::vector<BYTE> bytes = BytesOf(value);
      return StatusOf(RegSetValueExW(open->key, wide_name.c_str(), 0,
                                     static_cast<DWORD>(value.type), bytes.data(),
                                     static_cast<DWORD>(bytes.size())));
    });
  }

  RegStatus DeleteValue(RegKey key, std::string_view name) override {
    const OpenKeyEntry* open = Find(key);
    if (!open) return RegStatus::kNotFound;
    if (read_only_) return RegStatus::kAccessDenied;
    const std::wstring wide_name = Widen(name);
    return InWriteTransaction([&] {
      if (!NoteValue(*open, wide_name)) return RegStatus::kIoError;
      return StatusOf(RegDeleteValueW(open->key, wide_name.c_str()));
    });
  }

  RegStatus EnumKey(RegKey key, uint32_t index, std::string* name) override {
    const OpenKeyEntry* open = Find(key);
    if (!open) return RegStatus::kNotFound;
    wchar_t buffer[kMaxKeyNameLength + 1];
    DWORD length = kMaxKeyNameLength + 1;
    const LSTATUS code =
        RegEnumKeyExW(open->key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (code != ERROR_SUCCESS) return StatusOf(code);
    *name = Narrow(std::wstring_view(buffer, length));
    return RegStatus::kOk;
  }

  RegStatus EnumValue(RegKey key, uint32_t index, std::string* name, RegValue* value) override {
    const OpenKeyEntry* open = Find(key);
    if (!open) return RegStatus::kNotFound;
    DWORD max_name = 0;
    DWORD max_data = 0;
    LSTATUS code = RegQueryInfoKeyW(open->key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, &max_name, &max_data, nullptr, nullptr);
    if (code != ERROR_SUCCESS) return StatusOf(code);
    std::wstring name_buffer(max_name + 1, L'\0');
    std::vector<BYTE> data(max_data + 2);
    for (;;) {
      DWORD name_length = static_cast<DWORD>(name_buffer.size());
      DWORD size = static_cast<DWORD>(data.size());
      DWORD type = 0;
      code = RegEnumValueW(open->key, index, name_buffer.data(), &name_length, nullptr, &type,
                           data.data(), &size);
      if (code == ERROR_MORE_DATA) {
        // Changed since the sizes were asked for.
        name_buffer.resize(name_buffer.size() * 2 + 256);
        data.resize(data.size() * 2 + 256);
        continue;
      }
      if (code != ERROR_SUCCESS) return StatusOf(code);
      *name = Narrow(std::wstring_view(name_buffer.data(), name_length));
      *value = ValueOf(type, data, size);
      return RegStatus::kOk;
    }
  }

  RegStatus QueryInfoKey(RegKey key, uint32_t* sub_keys, uint32_t* max_sub_key_length,
                         uint32_t* values) override {
    const OpenKeyEntry* open = Find(key);
    if (!open) return RegStatus::kNotFound;
    DWORD keys = 0;
    DWORD longest = 0;
    DWORD value_count = 0;
    const LSTATUS code =
        RegQueryInfoKeyW(open->key, nullptr, nullptr, nullptr, &keys, &longest, nullptr,
                         &value_count, nullptr, nullptr, nullptr, nullptr);
    if (code != ERROR_SUCCESS) return StatusOf(code);
    if (sub_keys) *sub_keys = keys;
    if (max_sub_key_length) *max_sub_key_length = longest;
    if (values) *values = value_count;
    return RegStatus::kOk;
  }

  RegStatus DeleteKey(RegKey key, std::string_view sub_key) override {
    const OpenKeyEntry* open = Find(key);
    if (!open) return RegStatus::kNotFound;
    std::wstring relative;
    size_t start = 0;
    while (start <= sub_key.size()) {
      size_t end = sub_key.find('\\', start);
      if (end == std::string_view::npos) end = sub_key.size();
      if (end > start) {
        if (!relative.empty()) relative.push_back(L'\\');
        relative += Widen(sub_key.substr(start, end - start));
      }
      start = end + 1;
    }
    // Deleting "" would delete the key itself, which the registry does not allow this way.
    if (relative.empty()) return RegStatus::kInvalidName;
    if (read_only_) return RegStatus::kAccessDenied;
    return InWriteTransaction([&] {
      const std::wstring full = open->path.empty() ? relative : open->path + L"\\" + relative;
      HKEY target = nullptr;
      LSTATUS code = Open(full, &target);
      if (code != ERROR_SUCCESS) return StatusOf(code);
      DWORD children = 0;
      code = RegQueryInfoKeyW(target, nullptr, nullptr, nullptr, &children, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr);
      if (code == ERROR_SUCCESS && children > 0) code = ERROR_ACCESS_DENIED;
      if (code == ERROR_SUCCESS && depth_ > 0) {
        Undo undo{Undo::Kind::kDeletedKey, full, {}, {}, {}};
        code = ReadAllValues(target, &undo.values);
        if (code == ERROR_SUCCESS && !Note(std::move(undo))) code = ERROR_WRITE_FAULT;
      }
      RegCloseKey(target);
      if (code != ERROR_SUCCESS) return StatusOf(code);
      return StatusOf(RegDeleteKeyW(open->key, relative.c_str()));
    });
  }

  RegStatus BeginTransaction() override {
    if (depth_ == 0) {
      if (mutex_) {
        const DWORD waited = WaitForSingleObject(mutex_, kBusyTimeoutMs);
        // An abandoned mutex belonged to a process that ended in the middle of its transaction;
        // the store is then as that process left it, and ours to use.
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return RegStatus::kBusy;
        // Its journal then tells how to take back what it had written.
        const RegStatus status = TakeJournal();
        if (status != RegStatus::kOk) {
          ReleaseMutex(mutex_);
          return status;
        }
      }
      aborted_ = false;
      journal_broken_ = false;
      journal_.clear();
    }
    ++depth_;
    return RegStatus::kOk;
  }

  RegStatus CommitTransaction() override {
    if (depth_ == 0) return RegStatus::kIoError;
    --depth_;
    if (depth_ > 0) return aborted_ ? RegStatus::kIoError : RegStatus::kOk;
    bool aborted = aborted_;
    aborted_ = false;
    // The changes reach the disk before the commit reports success, and before the journal that
    // could take them back is emptied.
    if (!aborted && touched_) RegFlushKey(root_);
    if (journal_file_.held()) {
      if (!aborted && !journal_file_.Clear()) {
        // The journal still holds the changes and would take them back later: take them back
        // now, so that the failed commit means nothing was written.
        UndoAll();
        aborted = true;
      }
      journal_file_.Close(true);
    }
    journal_.clear();
    touched_ = false;
    if (mutex_) ReleaseMutex(mutex_);
    return aborted ? RegStatus::kIoError : RegStatus::kOk;
  }

  void RollbackTransaction() override {
    if (depth_ == 0) return;
    if (!aborted_) {
      UndoAll();
      if (journal_file_.held()) journal_file_.Clear();
      aborted_ = true;
    }
    --depth_;
    if (depth_ == 0) {
      aborted_ = false;
      journal_file_.Close(true);
      if (mutex_) ReleaseMutex(mutex_);
    }
  }

 private:
  struct OpenKeyEntry {
    HKEY key;
    std::wstring path;
  };

  const OpenKeyEntry* Find(RegKey key) const {
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
  }

  LSTATUS Open(const std::wstring& path, HKEY* key) const {
    if (root_ == nullptr) return ERROR_FILE_NOT_FOUND;  // a read-only store not made yet
    REGSAM access = read_only_ ? KEY_READ : KEY_ALL_ACCESS;
    LSTATUS code = RegOpenKeyExW(root_, path.c_str(), 0, access, key);
    if (code == ERROR_ACCESS_DENIED && !read_only_) {
      // A key the user may only read is still read.
      code = RegOpenKeyExW(root_, path.c_str(), 0, KEY_READ, key);
    }
    return code;
  }

  template <typename Work>
  RegStatus InWriteTransaction(Work work) {
    if (depth_ > 0) return aborted_ ? RegStatus::kIoError : work();
    RegStatus status = BeginTransaction();
    if (status != RegStatus::kOk) return status;
    status = work();
    if (status == RegStatus::kOk) return CommitTransaction();
    RollbackTransaction();
    return status;
  }

  // Takes back every change of the transaction, newest first.
  void UndoAll() {
    for (auto undo = journal_.rbegin(); undo != journal_.rend(); ++undo) Apply(*undo);
    if (touched_) RegFlushKey(root_);
    journal_.clear();
    touched_ = false;
  }

  // Takes the hive's journal for the transaction that begins, with the mutex held, replaying
  // first what a writer that ended in the middle of its transaction left in it.
  RegStatus TakeJournal() {
    if (journal_file_.held()) return RegStatus::kOk;
    switch (journal_file_.Take(true)) {
      case UndoJournalFile::Claim::kClaimed:
        break;
      case UndoJournalFile::Claim::kHeldElsewhere:
        // A transaction of another hive object of this thread (the mutex lets its owner in again).
        return RegStatus::kBusy;
      case UndoJournalFile::Claim::kFailed:
        return RegStatus::kIoError;
    }
    if (!ReplayLeftover()) {
      journal_file_.Close();
      return RegStatus::kIoError;
    }
    return RegStatus::kOk;
  }

  // On opening: replays a journal left behind, when no transaction of a living writer holds it.
  void RecoverWhenFree() {
    const DWORD waited = WaitForSingleObject(mutex_, 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return;  // the next begin does it
    if (journal_file_.Take(false) == UndoJournalFile::Claim::kClaimed) {
      if (ReplayLeftover()) {
        journal_file_.Close(true);
      } else {
        journal_file_.Close();
      }
    }
    ReleaseMutex(mutex_);
  }

  // Replays the held journal newest first and empties it. The replay may be cut short and done
  // again: every step sets a key or value to how it was, whatever it is now.
  bool ReplayLeftover() {
    std::vector<Undo> leftover;
    if (!journal_file_.ReadAll(&leftover)) return false;
    if (!leftover.empty()) {
      for (auto undo = leftover.rbegin(); undo != leftover.rend(); ++undo) Apply(*undo);
      RegFlushKey(root_);
    }
    return journal_file_.Clear();
  }

  // Notes how to undo a change about to be made; false when the note could not be kept, and
  // then the change must not be made.
  bool Note(Undo undo) {
    if (depth_ == 0) return true;
    if (journal_file_.held()) {
      // After a failed append the file may end in a partial record, and records after it would
      // not be read: the transaction makes no more changes.
      if (journal_broken_ || !journal_file_.Append(undo)) {
        journal_broken_ = true;
        return false;
      }
    }
    touched_ = true;
    journal_.push_back(std::move(undo));
    return true;
  }

  bool NoteValue(const OpenKeyEntry& open, const std::wstring& name) {
    Undo undo{Undo::Kind::kValue, open.path, name, {}, {}};
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> data;
    if (QueryRaw(open.key, name, &type, &data, &size) == ERROR_SUCCESS) {
      data.resize(size);
      undo.old_value.emplace(type, std::move(data));
    }
    return Note(std::move(undo));
  }

  static LSTATUS ReadAllValues(
      HKEY key, std::vector<std::pair<std::wstring, std::pair<DWORD, std::vector<BYTE>>>>* out) {
    DWORD max_name = 0;
    DWORD max_data = 0;
    LSTATUS code = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, &max_name, &max_data, nullptr, nullptr);
    if (code != ERROR_SUCCESS) return code;
    for (DWORD index = 0;; ++index) {
      std::wstring name(max_name + 1, L'\0');
      std::vector<BYTE> data(max_data + 2);
      DWORD name_length = static_cast<DWORD>(name.size());
      DWORD size = static_cast<DWORD>(data.size());
      DWORD type = 0;
      code =
          RegEnumValueW(key, index, name.data(), &name_length, nullptr, &type, data.data(), &size);
      if (code == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
      if (code != ERROR_SUCCESS) return code;
      name.resize(name_length);
      data.resize(size);
      out->emplace_back(std::move(name), std::make_pair(type, std::move(data)));
    }
  }

  void Apply(const Undo& undo) {
    switch (undo.kind) {
      case Undo::Kind::kCreatedKey:
        RegDeleteTreeW(root_, undo.key_path.c_str());
        RegDeleteKeyW(root_, undo.key_path.c_str());
        break;
      case Undo::Kind::kValue: {
        HKEY key = nullptr;
        if (Open(undo.key_path, &key) != ERROR_SUCCESS) break;
        if (undo.old_value) {
          const auto& [type, data] = *undo.old_value;
          RegSetValueExW(key, undo.name.c_str(), 0, type, data.data(),
                         static_cast<DWORD>(data.size()));
        } else {
          RegDeleteValueW(key, undo.name.c_str());
        }
        RegCloseKey(key);
        break;
      }
      case Undo::Kind::kDeletedKey: {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root_, undo.key_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
          break;
        }
        for (const auto& [name, value] : undo.values) {
          RegSetValueExW(key, name.c_str(), 0, value.first, value.second.data(),
                         static_cast<DWORD>(value.second.size()));
        }
        RegCloseKey(key);
        break;
      }
    }
  }

  HKEY root_;
  bool owns_root_;
  bool read_only_;
  HANDLE mutex_ = nullptr;
  std::unordered_map<RegKey, OpenKeyEntry> handles_;
  RegKey next_id_ = 1;
  int depth_ = 0;
  bool aborted_ = false;
  std::vector<Undo> journal_;
  UndoJournalFile journal_file_;
  bool journal_broken_ = false;  // a note could not be written to the journal file
  bool touched_ = false;         // the transaction changed something
};

// The key that stands in for the store file at `location`: a name made from the path's hash,
// as a key name cannot hold the path itself.
std::wstring StoreKeyOf(const std::string& location) {
  uint64_t hash = 14695981039346656037ull;
  for (const char raw : location) {
    char c = raw == '/' ? '\\' : raw;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  wchar_t name[17];
  swprintf(name, 17, L"%016llx", static_cast<unsigned long long>(hash));
  return std::wstring(kStoresKey) + L"\\" + name;
}

// The journal file of the hive whose store file would be at `location`.
std::wstring JournalOf(const std::string& location) { return LongPath(location + "-journal"); }

std::unique_ptr<RegistryHive> OpenRooted(HKEY parent, const std::wstring& path, bool owns,
                                         HiveAccess access, std::string* error,
                                         const std::string& shown, const std::wstring& journal) {
  if (access == HiveAccess::kReadOnly && UndoJournalFile(journal).Exists()) {
    // A writer ended in the middle of a transaction: what it left is taken back before it is
    // read (a writable hive does that on opening).
    OpenRooted(parent, path, owns, HiveAccess::kReadWrite, nullptr, shown, journal);
  }
  HKEY root = parent;
  if (owns) {
    const LSTATUS code =
        access == HiveAccess::kReadOnly
            ? RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &root)
            : RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &root, nullptr);
    if (code == ERROR_FILE_NOT_FOUND && access == HiveAccess::kReadOnly) {
      // A store that does not exist yet reads as an empty hive, and stays uncreated.
      return std::make_unique<WindowsHive>(nullptr, false, true, L"", L"");
    }
    if (code != ERROR_SUCCESS) {
      if (error) *error = shown + ": Registrierungsschlüssel kann nicht geöffnet werden";
      return nullptr;
    }
  }
  std::wstring mutex_name = L"Local\\Parvolind-Registry-" + path;
  for (wchar_t& c : mutex_name) {
    if (c == L'\\' && &c != &mutex_name[5]) c = L'-';
  }
  return std::make_unique<WindowsHive>(root, owns, access == HiveAccess::kReadOnly, mutex_name,
                                       journal);
}

}  // namespace

std::unique_ptr<RegistryHive> OpenRegistryHive(const std::string& database_path, std::string* error,
                                               HiveAccess access) {
  return OpenRooted(HKEY_CURRENT_USER, StoreKeyOf(database_path), true, access, error,
                    database_path, JournalOf(database_path));
}

std::unique_ptr<RegistryHive> OpenUserRegistryHive(std::string* error, HiveAccess access) {
  return OpenRooted(HKEY_CURRENT_USER, L"HKCU", false, access, error, "HKEY_CURRENT_USER",
                    JournalOf(StateDirectory() + "\\registry"));
}

bool DeleteRegistryHive(const std::string& database_path) {
  const std::wstring key = StoreKeyOf(database_path);
  LSTATUS code = RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  if (code == ERROR_SUCCESS) code = RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
  DeleteFileW(JournalOf(database_path).c_str());
  return code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND;
}

}  // namespace parvolind
