#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_hive.h"
#include "store/reg_file_reader.h"
#include "store/reg_file_writer.h"

namespace parvolind {

/// Counts of what an import did.
struct RegImportSummary {
  int keys = 0;            ///< key lines (created or opened)
  int deleted_keys = 0;    ///< `[-KEY]` lines
  int values = 0;          ///< values set
  int deleted_values = 0;  ///< `"Name"=-` lines
};

/// Parses the whole file first and then applies all of it inside one hive
/// transaction: either every change is made or none. Deleting a key or value
/// that does not exist is no error. Returns false with a German text in `error`
/// (may be null; naming the line where the fault lies) and leaves the hive as it
/// was. `summary` may be null.
bool ImportRegFile(RegistryHive& hive, std::string_view bytes, std::string* error,
                   RegImportSummary* summary = nullptr);

/// The hive's outcome codes as short German texts for messages.
std::string RegStatusText(RegStatus status);

}  // namespace parvolind
