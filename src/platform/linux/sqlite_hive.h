#pragma once

#include <sqlite3.h>

#include <memory>

#include "platform/registry_hive.h"

namespace parvolind {

/// The hive on an open SQLite database whose schema is in place: keys, values, the
/// enumeration cache and the nested transactions. Takes over `db` and closes it; a
/// `read_only` hive refuses every change with kAccessDenied.
std::unique_ptr<RegistryHive> MakeSqliteHive(sqlite3* db, bool read_only);

}  // namespace parvolind
