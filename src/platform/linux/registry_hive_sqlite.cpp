// The registry hive on Linux: one SQLite database per user. Keys form a tree of
// rows (parent, name); values hang off their key. Names compare with SQLite's
// NOCASE collation, which folds A-Z like the registry folds the names this
// program writes, and keep the case they were created with.

#include <sqlite3.h>

#include <QDir>
#include <QString>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/app_paths.h"
#include "platform/registry_hive.h"

namespace parvolind {
namespace {

constexpr RegKey kRootKey = 1;
constexpr size_t kMaxKeyNameLength = 255;
constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_keys (
  id     INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name   TEXT NOT NULL COLLATE NOCASE,
  UNIQUE (parent, name)
);
CREATE TABLE IF NOT EXISTS reg_values (
  key_id INTEGER NOT NULL,
  name   TEXT NOT NULL COLLATE NOCASE,
  type   INTEGER NOT NULL,
  data   BLOB NOT NULL,
  UNIQUE (key_id, name)
);
INSERT OR IGNORE INTO reg_keys (id, parent, name) VALUES (1, 0, '');
)sql";

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

class SqliteHive : public RegistryHive {
 public:
  explicit SqliteHive(sqlite3* db) : db_(db) {}

  ~SqliteHive() override {
    if (depth_ > 0) Exec("ROLLBACK");
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
    if (status == RegStatus::kOk) *key = found;
    return status;
  }

  void CloseKey(RegKey /*key*/) override {
    // Handles are key ids and hold no resources; a deleted key's id is never
    // reused, so a stale handle only ever finds nothing.
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
    if (!KeyExists(key)) return RegStatus::kNotFound;
    return QueryOne(
        "SELECT name FROM reg_keys WHERE parent = ? ORDER BY name COLLATE NOCASE, name "
        "LIMIT 1 OFFSET ?",
        RegStatus::kNoMoreItems, [&](sqlite3_stmt* s) { BindKeyAndIndex(s, key, index); },
        [&](sqlite3_stmt* s) { *name = ColumnBytes(s, 0); });
  }

  RegStatus EnumValue(RegKey key, uint32_t index, std::string* name, RegValue* value) override {
    if (!KeyExists(key)) return RegStatus::kNotFound;
    return QueryOne(
        "SELECT name, type, data FROM reg_values WHERE key_id = ? ORDER BY rowid "
        "LIMIT 1 OFFSET ?",
        RegStatus::kNoMoreItems, [&](sqlite3_stmt* s) { BindKeyAndIndex(s, key, index); },
        [&](sqlite3_stmt* s) {
          *name = ColumnBytes(s, 0);
          ReadValue(s, 1, value);
        });
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
    const std::vector<std::string_view> parts = SplitPath(sub_key);
    // Deleting "" would delete the key itself, which the registry does not allow
    // through this call either.
    if (parts.empty()) return RegStatus::kInvalidName;
    return InWriteTransaction([&] {
      RegKey target = 0;
      RegStatus status = Resolve(key, parts, &target);
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
      return RegStatus::kOk;
    });
  }

  RegStatus BeginTransaction() override {
    if (depth_ == 0) {
      // IMMEDIATE takes the write lock at once: a transaction that reads first
      // and writes later could otherwise fail with SQLITE_BUSY despite the
      // busy timeout when another process wrote in between.
      const RegStatus status = Exec("BEGIN IMMEDIATE");
      if (status != RegStatus::kOk) return status;
      aborted_ = false;
    }
    ++depth_;
    return RegStatus::kOk;
  }

  RegStatus CommitTransaction() override {
    if (depth_ == 0) return RegStatus::kIoError;
    --depth_;
    if (depth_ > 0) return aborted_ ? RegStatus::kIoError : RegStatus::kOk;
    if (aborted_) {
      aborted_ = false;
      return RegStatus::kIoError;
    }
    const RegStatus status = Exec("COMMIT");
    if (status != RegStatus::kOk) Exec("ROLLBACK");
    return status;
  }

  void RollbackTransaction() override {
    if (depth_ == 0) return;
    if (!aborted_) {
      Exec("ROLLBACK");
      aborted_ = true;
    }
    --depth_;
    if (depth_ == 0) aborted_ = false;
  }

 private:
  // Runs `work` as one write transaction of its own, or as part of the open one.
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

  static void BindKeyAndIndex(sqlite3_stmt* s, RegKey key, uint32_t index) {
    sqlite3_bind_int64(s, 1, key);
    sqlite3_bind_int64(s, 2, index);
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
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
  int depth_ = 0;
  bool aborted_ = false;
};

}  // namespace

std::unique_ptr<RegistryHive> OpenRegistryHive(const std::string& database_path,
                                               std::string* error) {
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(database_path.c_str(), &db, flags, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // WAL lets a reader and a writer work at once; NORMAL keeps the store
    // consistent after a crash while sparing an fsync per write.
    rc = sqlite3_exec(db,
                      "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                      "PRAGMA foreign_keys = OFF;",
                      nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
      rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
      sqlite3_exec(db, rc == SQLITE_OK ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    }
  }
  if (rc != SQLITE_OK) {
    if (error != nullptr) {
      *error = database_path + ": " + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    }
    sqlite3_close(db);
    return nullptr;
  }
  return std::make_unique<SqliteHive>(db);
}

std::unique_ptr<RegistryHive> OpenUserRegistryHive(std::string* error) {
  const std::string folder = ConfigDirectory();
  if (!QDir().mkpath(QString::fromStdString(folder))) {
    if (error != nullptr) *error = folder + ": Ordner kann nicht angelegt werden";
    return nullptr;
  }
  return OpenRegistryHive(folder + "/registry.sqlite", error);
}

}  // namespace parvolind
