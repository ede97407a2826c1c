// The registry hive on Linux: one SQLite database per user. This file opens it: the
// schema, the journal, read-only and write-protected stores; sqlite_hive.cpp holds the
// keys and values themselves.

#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/app_paths.h"
#include "platform/linux/private_folder_linux.h"
#include "platform/linux/sqlite_hive.h"
#include "platform/registry_hive.h"

namespace parvolind {
namespace {

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

}  // namespace

namespace {

// The cause of a failed call, taken before any later call replaces it.
std::string ErrorOf(sqlite3* db, int rc, const std::string& database_path) {
  const bool has_message = db != nullptr && (sqlite3_errcode(db) & 0xff) == (rc & 0xff);
  return database_path + ": " + (has_message ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// Why the store cannot be written when its file or its folder refuses writing,
// which SQLite reports only as "unable to open database file" or "attempt to
// write a readonly database"; empty when both can be written. access() also
// tells an immutable file or a read-only mount, which refuse even root.
std::string WriteProtection(const std::string& database_path) {
  std::string folder = std::filesystem::path(database_path).parent_path().string();
  if (folder.empty()) folder = ".";
  const std::pair<const std::string*, const char*> candidates[] = {
      {&database_path, "Die Datei ist schreibgeschützt"},
      {&folder, "Der Ordner ist schreibgeschützt"}};
  for (const auto& [path, text] : candidates) {
    if (access(path->c_str(), W_OK) != 0 && errno != ENOENT) {
      return *path + ": " + text + " (" + std::generic_category().message(errno) + ").";
    }
  }
  return {};
}

std::unique_ptr<RegistryHive> Fail(sqlite3* db, const std::string& message, std::string* error) {
  if (error != nullptr) *error = message;
  sqlite3_close(db);
  return nullptr;
}

// Runs `sql`; on failure returns the code and the cause, read before anything
// else runs.
int Run(sqlite3* db, const char* sql, const std::string& database_path, std::string* cause) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) *cause = ErrorOf(db, rc, database_path);
  return rc;
}

std::unique_ptr<RegistryHive> OpenForWriting(const std::string& database_path, std::string* error) {
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  // Every job's folders and file names are in the store: it is the user's alone. SQLite gives its
  // WAL and shared-memory files the database file's permission bits.
  CreatePrivateFile(database_path);
  int rc = sqlite3_open_v2(database_path.c_str(), &db, flags, nullptr);
  std::string cause;
  if (rc != SQLITE_OK) {
    cause = ErrorOf(db, rc, database_path);
  } else if (sqlite3_db_readonly(db, "main") == 1) {
    // SQLite quietly opens a write-protected file for reading only.
    rc = SQLITE_READONLY;
    cause = database_path + ": Die Datei ist schreibgeschützt.";
  } else {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // WAL lets a reader and a writer work at once; NORMAL keeps the store
    // consistent after a crash while sparing an fsync per write.
    rc = Run(db,
             "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
             "PRAGMA foreign_keys = OFF;",
             database_path, &cause);
    if (rc == SQLITE_OK) rc = Run(db, "BEGIN IMMEDIATE", database_path, &cause);
    if (rc == SQLITE_OK) {
      rc = Run(db, kSchema, database_path, &cause);
      if (rc == SQLITE_OK) {
        rc = Run(db, "COMMIT", database_path, &cause);
      } else {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      }
    }
  }
  if (rc == SQLITE_OK) return MakeSqliteHive(db, false);
  const int primary = rc & 0xff;
  if (primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY || primary == SQLITE_PERM) {
    const std::string protection = WriteProtection(database_path);
    if (!protection.empty()) cause = protection;
  }
  return Fail(db, cause, error);
}

// An empty hive for a store that does not exist yet: reading it finds nothing.
std::unique_ptr<RegistryHive> EmptyHive(const std::string& database_path, std::string* error) {
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) return Fail(db, ErrorOf(db, rc, database_path), error);
  std::string cause;
  if (Run(db, kSchema, database_path, &cause) != SQLITE_OK) return Fail(db, cause, error);
  return MakeSqliteHive(db, true);
}

// A URI naming the file, for the open parameters that only a URI can carry.
std::string FileUri(const std::string& path) {
  std::string uri = path.starts_with('/') ? "file://" : "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '%' || c == '?' || c == '#' || byte < 0x20 || byte == 0x7f) {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      uri += '%';
      uri += kDigits[byte >> 4];
      uri += kDigits[byte & 0xf];
    } else {
      uri += c;
    }
  }
  return uri;
}

// Opens `name` read-only and reads the schema, which is when SQLite first
// touches the file and, for a store in WAL mode, the shared-memory file beside
// it. `tables`: 2 with the hive's tables, 0 for an empty database, 1 otherwise.
bool OpenAndProbe(const std::string& name, int extra_flags, const std::string& database_path,
                  sqlite3** db, int* tables, int* rc, std::string* cause) {
  *db = nullptr;
  *rc = sqlite3_open_v2(name.c_str(), db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | extra_flags,
                        nullptr);
  sqlite3_stmt* probe = nullptr;
  if (*rc == SQLITE_OK) {
    sqlite3_busy_timeout(*db, kBusyTimeoutMs);
    *rc = sqlite3_prepare_v2(*db,
                             "SELECT (SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' "
                             "AND name IN ('reg_keys', 'reg_values')), COUNT(*) FROM sqlite_master",
                             -1, &probe, nullptr);
  }
  if (*rc == SQLITE_OK) {
    *rc = sqlite3_step(probe);
    if (*rc == SQLITE_ROW) {
      *rc = SQLITE_OK;
      const bool ours = sqlite3_column_int(probe, 0) == 2;
      *tables = ours ? 2 : sqlite3_column_int(probe, 1) == 0 ? 0 : 1;
    }
  }
  if (*rc != SQLITE_OK) *cause = ErrorOf(*db, *rc, database_path);
  sqlite3_finalize(probe);
  if (*rc != SQLITE_OK) {
    sqlite3_close(*db);
    *db = nullptr;
  }
  return *rc == SQLITE_OK;
}

// Whether the store's write-ahead log holds changes not yet copied into it.
bool HasPendingLog(const std::string& database_path) {
  std::error_code ignored;
  const auto size = std::filesystem::file_size(database_path + "-wal", ignored);
  return !ignored && size > 0;
}

std::unique_ptr<RegistryHive> OpenForReading(const std::string& database_path, std::string* error) {
  std::error_code status_error;
  const auto type = std::filesystem::status(database_path, status_error).type();
  if (type == std::filesystem::file_type::not_found) return EmptyHive(database_path, error);
  if (status_error) return Fail(nullptr, database_path + ": " + status_error.message(), error);

  sqlite3* db = nullptr;
  int tables = 0;
  int rc = SQLITE_OK;
  std::string cause;
  if (!OpenAndProbe(database_path, 0, database_path, &db, &tables, &rc, &cause)) {
    const int primary = rc & 0xff;
    if (primary != SQLITE_CANTOPEN && primary != SQLITE_READONLY) return Fail(db, cause, error);
    if (access(database_path.c_str(), R_OK) != 0) {
      return Fail(db,
                  database_path + ": Die Datei kann nicht gelesen werden (" +
                      std::generic_category().message(errno) + ").",
                  error);
    }
    // In WAL mode even a reader needs the shared-memory file beside the store,
    // which a write-protected folder does not let it create. No one can write
    // the store there either (a writer needs its log file beside it), so it is
    // read as an unchanging file, unless a log with changes is left over.
    if (HasPendingLog(database_path)) {
      return Fail(db,
                  cause + " (" + database_path +
                      "-wal enthält noch nicht übernommene Änderungen, die ohne Schreibrecht im "
                      "Ordner nicht gelesen werden können)",
                  error);
    }
    std::string immutable_cause;
    if (!OpenAndProbe(FileUri(database_path) + "?immutable=1", SQLITE_OPEN_URI, database_path, &db,
                      &tables, &rc, &immutable_cause)) {
      return Fail(db, cause, error);
    }
  }
  if (tables == 0) {
    sqlite3_close(db);
    return EmptyHive(database_path, error);
  }
  if (tables != 2) {
    return Fail(db, database_path + ": Die Datei enthält keine Konfiguration von Parvolind.",
                error);
  }
  return MakeSqliteHive(db, true);
}

}  // namespace

std::unique_ptr<RegistryHive> OpenRegistryHive(const std::string& database_path, std::string* error,
                                               HiveAccess access) {
  return access == HiveAccess::kReadOnly ? OpenForReading(database_path, error)
                                         : OpenForWriting(database_path, error);
}

std::unique_ptr<RegistryHive> OpenUserRegistryHive(std::string* error, HiveAccess access) {
  const std::string folder = ConfigDirectory();
  if (access == HiveAccess::kReadWrite && !CreatePrivateFolderPath(folder)) {
    if (error != nullptr) *error = folder + ": Ordner kann nicht angelegt werden";
    return nullptr;
  }
  return OpenRegistryHive(folder + "/registry.sqlite", error, access);
}

}  // namespace parvolind
