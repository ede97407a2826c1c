// The hive's keys and values in SQLite. Keys form a tree of rows (parent, name);
// values hang off their key. Names compare with SQLite's NOCASE collation, which
// folds A-Z like the registry folds the names this program writes, and keep the
// case they were created with.

#include "platform/linux/sqlite_hive.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <utility>
#include <vector>

namespace parvolind {
namespace {

constexpr RegKey kRootKey = 1;
constexpr size_t kMaxKeyNameLength = 255;

// Splits a backslash-separated key path into its names; empty parts (a leading
// or doubled backslash) are skipped.
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The sub-keys and values of one key as an enumeration by index last found
// them, so that enumerating a key costs one query instead of one per index.
struct KeyListing {
  bool has_sub_keys = false;
  std::vector<std::pair<RegKey, std::string>> sub_keys;  // id and name, in name order
  bool has_values = false;
  std::vector<std::pair<std::string, RegValue>> values;  // in the order first set
};

// Listings kept for keys without an open handle at most; beyond that they are
// dropped, so that a caller who never closes its keys cannot fill the memory.
constexpr size_t kMaxListings = 16;

class SqliteHive : public RegistryHive {
 public:
  SqliteHive(sqlite3* db, bool read_only) : db_(db), read_only_(read_only) {}

  ~SqliteHive() override {
    if (depth_ > 0 && !aborted_) Exec("ROLLBACK");
    for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
    sqlite3_close(db_);
  }

  SqliteHive(const SqliteHive&) = delete;
  SqliteHive& operator=(const SqliteHive&) = delete;

  RegStatus OpenKey(std::string_view path, bool create, RegKey* key) override {
    *key = 0;
    const std::vector<std::string_view> parts = SplitPath(path);
    for (std::string_view part : parts) {
      if (part.size() > kMaxKeyNameLength) return RegStatus::kInvalidName;
    }
    RegKey found = 0;
    RegStatus status = Resolve(kRootKey, parts, &found);
    if (status == RegStatus::kNotFound && create) {
      status = InWriteTransaction([&] { return CreatePath(parts, &found); });
    }
    if (status == RegStatus::kOk) {
      *key = found;
      ++open_handles_[found];
    }
    return status;
  }

  void CloseKey(RegKey key) override {
    // Handles are key ids; a deleted key's id is never reused, so a stale handle
    // only ever finds nothing. The count only tells when a key's listing is no
    // longer needed.
    auto it = open_handles_.find(key);
    if (it == open_handles_.end()) return;
    if (--it->second == 0) {
      open_handles_.erase(it);
      listings_.erase(key);
    }
  }

  RegStatus QueryValue(RegKey key, std::string_view name, RegValue* value) override {
    return QueryOne(
        "SELECT type, data FROM reg_values WHERE key_id = ? AND name = ?", RegStatus::kNotFound,
        [&](sqlite3_stmt* s) {
          sqlite3_bind_int64(s, 1, key);
          BindText(s, 2, name);
        },
        [&](sqlite3_stmt* s) { ReadValue(s, 0, value); });
  }

  RegStatus SetValue(RegKey key, std::string_view name, const RegValue& value) override {
    return InWriteTransaction([&] {
      if (!KeyExists(key)) return RegStatus::kNotFound;
      ForgetValues(key);
      // An upsert keeps the value's place in the enumeration and its first spelling.
      return Execute(
          "INSERT INTO reg_values (key_id, name, type, data) VALUES (?, ?, ?, ?) "
          "ON CONFLICT (key_id, name) DO UPDATE SET type = excluded.type, data = excluded.data",
          [&](sqlite3_stmt* s) {
            sqlite3_bind_int64(s, 1, key);
            BindText(s, 2, name);
            sqlite3_bind_int64(s, 3, static_cast<sqlite3_int64>(value.type));
            sqlite3_bind_blob(s, 4, value.data.data(), static_cast<int>(value.data.size()),
                              SQLITE_TRANSIENT);
          });
    });
  }

  RegStatus DeleteValue(RegKey key, std::string_view name) override {
    return InWriteTransaction([&] {
      ForgetValues(key);
      RegStatus status =
          Execute("DELETE FROM reg_values WHERE key_id = ? AND name = ?", [&](sqlite3_stmt* s) {
            sqlite3_bind_int64(s, 1, key);
            BindText(s, 2, name);
          });
      if (status == RegStatus::kOk && sqlite3_changes(db_) == 0) status = RegStatus::kNotFound;
      return status;
    });
  }

  RegStatus EnumKey(RegKey key, uint32_t index, std::string* name) override {
    KeyListing* listing = nullptr;
    const RegStatus status = ListSubKeys(key, &listing);
    if (status != RegStatus::kOk) return status;
    if (index >= listing->sub_keys.size()) return RegStatus::kNoMoreItems;
    *name = listing->sub_keys[index].second;
    return RegStatus::kOk;
  }

  RegStatus EnumValue(RegKey key, uint32_t index, std::string* name, RegValue* value) override {
    KeyListing* listing = nullptr;
    const RegStatus status = ListValues(key, &listing);
    if (status != RegStatus::kOk) return status;
    if (index >= listing->values.size()) return RegStatus::kNoMoreItems;
    *name = listing->values[index].first;
    *value = listing->values[index].second;
    return RegStatus::kOk;
  }

  RegStatus QueryInfoKey(RegKey key, uint32_t* sub_keys, uint32_t* max_sub_key_length,
                         uint32_t* values) override {
    if (!KeyExists(key)) return RegStatus::kNotFound;
    return QueryOne(
        "SELECT COUNT(*), COALESCE(MAX(LENGTH(CAST(name AS BLOB))), 0), "
        "(SELECT COUNT(*) FROM reg_values WHERE key_id = ?1) FROM reg_keys WHERE parent = ?1",
        RegStatus::kIoError, [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, key); },
        [&](sqlite3_stmt* s) {
          const auto column = [s](int i) {
            return static_cast<uint32_t>(sqlite3_column_int64(s, i));
          };
          if (sub_keys) *sub_keys = column(0);
          if (max_sub_key_length) *max_sub_key_length = column(1);
          if (values) *values = column(2);
        });
  }

  RegStatus DeleteKey(RegKey key, std::string_view sub_key) override {
    std::vector<std::string_view> parts = SplitPath(sub_key);
    // Deleting "" would delete the key itself, which the registry does not allow
    // through this call either.
    if (parts.empty()) return RegStatus::kInvalidName;
    return InWriteTransaction([&] {
      const std::string_view last = parts.back();
      parts.pop_back();
      RegKey parent = 0;
      RegKey target = 0;
      RegStatus status = Resolve(key, parts, &parent);
      if (status == RegStatus::kOk) status = FindChild(parent, last, &target);
      if (status != RegStatus::kOk) return status;
      uint32_t children = 0;
      status = QueryInfoKey(target, &children, nullptr, nullptr);
      if (status != RegStatus::kOk) return status;
      if (children > 0) return RegStatus::kAccessDenied;
      for (const char* sql :
           {"DELETE FROM reg_values WHERE key_id = ?", "DELETE FROM reg_keys WHERE id = ?"}) {
        status = Execute(sql, [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, target); });
        if (status != RegStatus::kOk) return status;
      }
      listings_.erase(target);
      // Taking the one name out keeps the parent's listing, so that deleting all
      // sub-keys from the last index down stays linear.
      if (auto it = listings_.find(parent); it != listings_.end()) {
        auto& names = it->second.sub_keys;
        const auto gone = std::find_if(names.rbegin(), names.rend(), [target](const auto& entry) {
          return entry.first == target;
        });
        if (gone != names.rend()) names.erase(std::next(gone).base());
      }
      return RegStatus::kOk;
    });
  }

  RegStatus BeginTransaction() override {
    if (depth_ == 0) {
      // IMMEDIATE takes the write lock at once: a transaction that reads first
      // and writes later could otherwise fail with SQLITE_BUSY despite the
      // busy timeout when another process wrote in between. A read-only hive
      // never writes; its transaction only pins one state of the store.
      const RegStatus status = Exec(read_only_ ? "BEGIN" : "BEGIN IMMEDIATE");
      if (status != RegStatus::kOk) return status;
      aborted_ = false;
      version_checked_in_transaction_ = false;
      ++depth_;
      // From here on nobody else changes what this connection sees; one look
      // at the store's version now covers the whole transaction.
      DropListingsIfChangedElsewhere();
      return RegStatus::kOk;
    }
    ++depth_;
    return RegStatus::kOk;
  }

  RegStatus CommitTransaction() override {
    if (depth_ == 0) return RegStatus::kIoError;
    --depth_;
    if (depth_ > 0) return aborted_ ? RegStatus::kIoError : RegStatus::kOk;
    if (aborted_) {
      // An inner level gave up: nothing of the transaction was stored.
      aborted_ = false;
      return RegStatus::kIoError;
    }
    const RegStatus status = Exec("COMMIT");
    if (status != RegStatus::kOk) {
      Exec("ROLLBACK");
      listings_.clear();
    }
    return status;
  }

  void RollbackTransaction() override {
    if (depth_ == 0) return;
    if (!aborted_) {
      Exec("ROLLBACK");
      aborted_ = true;
      // Listings may hold what the transaction changed.
      listings_.clear();
    }
    --depth_;
    if (depth_ == 0) aborted_ = false;
  }

 private:
  // Runs `work` as one write transaction of its own, or as part of the open one.
  template <typename Work>
  RegStatus InWriteTransaction(Work work) {
    if (read_only_) return RegStatus::kAccessDenied;
    if (depth_ > 0) return aborted_ ? RegStatus::kIoError : work();
    RegStatus status = BeginTransaction();
    if (status != RegStatus::kOk) return status;
    status = work();
    if (status == RegStatus::kOk) return CommitTransaction();
    RollbackTransaction();
    return status;
  }

  // Another connection's commit changes the store's data version; this
  // connection's own writes keep the listings up to date themselves. Inside a
  // live transaction no one else can change what this connection sees.
  void DropListingsIfChangedElsewhere() {
    if (depth_ > 0 && !aborted_ && version_checked_in_transaction_) return;
    sqlite3_int64 version = -1;
    const RegStatus status = QueryOne(
        "PRAGMA data_version", RegStatus::kIoError, [](sqlite3_stmt*) {},
        [&](sqlite3_stmt* s) { version = sqlite3_column_int64(s, 0); });
    if (status != RegStatus::kOk || version != data_version_) listings_.clear();
    data_version_ = status == RegStatus::kOk ? version : -1;
    version_checked_in_transaction_ = depth_ > 0 && !aborted_;
  }

  // The listing of `key`, made room for when need be.
  KeyListing& ListingOf(RegKey key) {
    if (listings_.size() >= kMaxListings && listings_.find(key) == listings_.end()) {
      std::erase_if(listings_, [this](const auto& entry) {
        return open_handles_.find(entry.first) == open_handles_.end();
      });
      if (listings_.size() >= kMaxListings) listings_.clear();
    }
    return listings_[key];
  }

  RegStatus ListSubKeys(RegKey key, KeyListing** listing) {
    DropListingsIfChangedElsewhere();
    if (auto it = listings_.find(key); it != listings_.end() && it->second.has_sub_keys) {
      *listing = &it->second;
      return RegStatus::kOk;
    }
    if (!KeyExists(key)) return RegStatus::kNotFound;
    std::vector<std::pair<RegKey, std::string>> names;
    const RegStatus status = QueryAll(
        "SELECT id, name FROM reg_keys WHERE parent = ? ORDER BY name COLLATE NOCASE, name",
        [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, key); },
        [&](sqlite3_stmt* s) {
          names.emplace_back(sqlite3_column_int64(s, 0), ColumnBytes(s, 1));
        });
    if (status != RegStatus::kOk) return status;
    KeyListing& found = ListingOf(key);
    found.sub_keys = std::move(names);
    found.has_sub_keys = true;
    *listing = &found;
    return RegStatus::kOk;
  }

  RegStatus ListValues(RegKey key, KeyListing** listing) {
    DropListingsIfChangedElsewhere();
    if (auto it = listings_.find(key); it != listings_.end() && it->second.has_values) {
      *listing = &it->second;
      return RegStatus::kOk;
    }
    if (!KeyExists(key)) return RegStatus::kNotFound;
    std::vector<std::pair<std::string, RegValue>> values;
    const RegStatus status = QueryAll(
        "SELECT name, type, data FROM reg_values WHERE key_id = ? ORDER BY rowid",
        [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, key); },
        [&](sqlite3_stmt* s) {
          values.emplace_back(ColumnBytes(s, 0), RegValue{});
          ReadValue(s, 1, &values.back().second);
        });
    if (status != RegStatus::kOk) return status;
    KeyListing& found = ListingOf(key);
    found.values = std::move(values);
    found.has_values = true;
    *listing = &found;
    return RegStatus::kOk;
  }

  void ForgetValues(RegKey key) {
    if (auto it = listings_.find(key); it != listings_.end()) {
      it->second.has_values = false;
      it->second.values.clear();
    }
  }

  void ForgetSubKeys(RegKey key) {
    if (auto it = listings_.find(key); it != listings_.end()) {
      it->second.has_sub_keys = false;
      it->second.sub_keys.clear();
    }
  }

  RegStatus Resolve(RegKey from, const std::vector<std::string_view>& parts, RegKey* key) {
    if (!KeyExists(from)) return RegStatus::kNotFound;
    RegKey current = from;
    for (std::string_view part : parts) {
      const RegStatus status = FindChild(current, part, &current);
      if (status != RegStatus::kOk) return status;
    }
    *key = current;
    return RegStatus::kOk;
  }

  RegStatus FindChild(RegKey parent, std::string_view name, RegKey* child) {
    return QueryOne(
        "SELECT id FROM reg_keys WHERE parent = ? AND name = ?", RegStatus::kNotFound,
        [&](sqlite3_stmt* s) {
          sqlite3_bind_int64(s, 1, parent);
          BindText(s, 2, name);
        },
        [&](sqlite3_stmt* s) { *child = sqlite3_column_int64(s, 0); });
  }

  RegStatus CreatePath(const std::vector<std::string_view>& parts, RegKey* key) {
    RegKey current = kRootKey;
    for (std::string_view part : parts) {
      RegKey child = 0;
      RegStatus status = FindChild(current, part, &child);
      if (status == RegStatus::kNotFound) {
        ForgetSubKeys(current);
        status = Execute("INSERT INTO reg_keys (parent, name) VALUES (?, ?)", [&](sqlite3_stmt* s) {
          sqlite3_bind_int64(s, 1, current);
          BindText(s, 2, part);
        });
        child = sqlite3_last_insert_rowid(db_);
      }
      if (status != RegStatus::kOk) return status;
      current = child;
    }
    *key = current;
    return RegStatus::kOk;
  }

  bool KeyExists(RegKey key) {
    if (key == kRootKey) return true;
    sqlite3_stmt* s = Prepare("SELECT 1 FROM reg_keys WHERE id = ?");
    if (s == nullptr) return false;
    sqlite3_bind_int64(s, 1, key);
    const bool exists = sqlite3_step(s) == SQLITE_ROW;
    sqlite3_reset(s);
    return exists;
  }

  // Runs a statement that yields at most one row: `bind` sets its parameters and
  // `read` takes the row. kOk with a row, `no_row` without one.
  template <typename Bind, typename Read>
  RegStatus QueryOne(const char* sql, RegStatus no_row, Bind bind, Read read) {
    sqlite3_stmt* s = Prepare(sql);
    if (s == nullptr) return RegStatus::kIoError;
    bind(s);
    const int rc = sqlite3_step(s);
    RegStatus status = rc == SQLITE_DONE ? no_row : StepStatus(rc);
    if (rc == SQLITE_ROW) {
      read(s);
      status = RegStatus::kOk;
    }
    sqlite3_reset(s);
    return status;
  }

  // Runs a statement and hands every row it yields to `read`.
  template <typename Bind, typename Read>
  RegStatus QueryAll(const char* sql, Bind bind, Read read) {
    sqlite3_stmt* s = Prepare(sql);
    if (s == nullptr) return RegStatus::kIoError;
    bind(s);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) read(s);
    sqlite3_reset(s);
    return StepStatus(rc);
  }

  // Runs a statement that yields no row.
  template <typename Bind>
  RegStatus Execute(const char* sql, Bind bind) {
    sqlite3_stmt* s = Prepare(sql);
    if (s == nullptr) return RegStatus::kIoError;
    bind(s);
    const RegStatus status = StepStatus(sqlite3_step(s));
    sqlite3_reset(s);
    return status;
  }

  // A value's type and data from two consecutive columns.
  static void ReadValue(sqlite3_stmt* s, int first_column, RegValue* value) {
    value->type = static_cast<RegType>(sqlite3_column_int64(s, first_column));
    value->data = ColumnBytes(s, first_column + 1);
  }

  sqlite3_stmt* Prepare(const char* sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK) {
      return nullptr;
    }
    statements_.emplace(sql, statement);
    return statement;
  }

  RegStatus Exec(const char* sql) {
    return StepStatus(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
  }

  static void BindText(sqlite3_stmt* s, int index, std::string_view text) {
    // Names are byte strings; SQLite stores them unchanged, valid UTF-8 or not.
    sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }

  static std::string ColumnBytes(sqlite3_stmt* s, int column) {
    const void* data = sqlite3_column_blob(s, column);
    const int size = sqlite3_column_bytes(s, column);
    if (data == nullptr || size <= 0) return {};
    return std::string(static_cast<const char*>(data), static_cast<size_t>(size));
  }

  static RegStatus StepStatus(int rc) {
    switch (rc & 0xff) {
      case SQLITE_OK:
      case SQLITE_DONE:
      case SQLITE_ROW:
        return RegStatus::kOk;
      case SQLITE_BUSY:
      case SQLITE_LOCKED:
        return RegStatus::kBusy;
      case SQLITE_CONSTRAINT:
        return RegStatus::kInvalidName;
      case SQLITE_READONLY:
      case SQLITE_PERM:
      case SQLITE_AUTH:
        return RegStatus::kAccessDenied;
      default:
        return RegStatus::kIoError;
    }
  }

  sqlite3* db_;
  const bool read_only_;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
  int depth_ = 0;
  bool aborted_ = false;
  std::unordered_map<RegKey, int> open_handles_;
  std::unordered_map<RegKey, KeyListing> listings_;
  sqlite3_int64 data_version_ = -1;
  bool version_checked_in_transaction_ = false;
};

}  // namespace

std::unique_ptr<RegistryHive> MakeSqliteHive(sqlite3* db, bool read_only) {
  return std::make_unique<SqliteHive>(db, read_only);
}

}  // namespace parvolind
