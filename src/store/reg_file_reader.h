#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_hive.h"
#include "store/reg_file_writer.h"

namespace parvolind {

/// One change that a registry file asks for, in file order.
struct RegFileChange {
  enum class Kind {
    kOpenKey,      ///< `[KEY]`: create the key and its missing parents
    kDeleteKey,    ///< `[-KEY]`: delete the key with everything below it
    kSetValue,     ///< `"Name"=...` or `@=...`
    kDeleteValue,  ///< `"Name"=-`
  };
  Kind kind = Kind::kOpenKey;
  int line = 0;  ///< line number in the file, from 1
  /// For key changes: the path below HKEY_CURRENT_USER without leading backslash
  /// ("" = the hive itself). Empty for value changes, which belong to the key of
  /// the latest kOpenKey change before them.
  std::string key_path;
  std::string name;  ///< value name, "" for the default value
  RegValue value;    ///< for kSetValue
};

/// Parses a registry file (version 5.00 or REGEDIT4; UTF-8 with or without byte
/// order mark, or UTF-16LE with byte order mark) into its changes without
/// touching any hive. Key lines must lie under HKEY_CURRENT_USER (or HKCU).
/// Returns false with a German text naming the line ("Zeile 12: ...") in `error`
/// (may be null) for anything it cannot read.
bool ParseRegFile(std::string_view bytes, std::vector<RegFileChange>* changes, std::string* error);

}  // namespace parvolind
