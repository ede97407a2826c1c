#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_hive.h"

namespace parvolind {

/// The first line of an export in the current format.
inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";
/// The first line of an export in the older format, which is read as well.
inline constexpr std::string_view kRegFileHeaderV4 = "REGEDIT4";
/// The largest registry file that is read; a configuration export is a small
/// fraction of it.
inline constexpr size_t kMaxRegFileSize = size_t{64} << 20;
/// How the exported key lines name the current user's hive.
inline constexpr std::string_view kRegRootName = "HKEY_CURRENT_USER";

/// Writes the key at `key_path` (relative to HKEY_CURRENT_USER; a leading
/// backslash is ignored) with all its values and sub-keys in the registry
/// editor's export format: the header line, then per key a blank line, the key
/// line with its full path and one line per value, sub-keys depth first in the
/// hive's enumeration order, a blank line at the end; UTF-8 without byte order
/// mark, CR LF line ends. Every value comes back byte for byte on import: a
/// string that a quoted text cannot carry exactly is written as hex(1).
///
/// Returns false with a German text in `error` (may be null) when the key does
/// not exist, cannot be read, or holds a name that the format cannot carry (a key
/// or value name with a line break). `bytes` then holds nothing useful.
bool ExportRegistryKey(RegistryHive& hive, std::string_view key_path, std::string* bytes,
                       std::string* error);

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
