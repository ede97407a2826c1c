#pragma once

#include <string>
#include <string_view>

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

}  // namespace parvolind
