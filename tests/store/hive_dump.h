#pragma once

#include <string>

#include "platform/registry_hive.h"

namespace parvolind::testing {

/// Every key below `path` (names as stored) with every value's name, type and
/// bytes, in enumeration order: two trees are equal exactly when their dumps are.
/// "<missing>" when the key does not exist.
inline std::string DumpHiveTree(RegistryHive& hive, const std::string& path) {
  RegKey key = 0;
  if (hive.OpenKey(path, false, &key) != RegStatus::kOk) return "<missing>";
  std::string dump = "[" + path + "]\n";
  std::string name;
  RegValue value;
  for (uint32_t i = 0; hive.EnumValue(key, i, &name, &value) == RegStatus::kOk; ++i) {
    dump += "  " + name + " (" + std::to_string(static_cast<uint32_t>(value.type)) + ", " +
            std::to_string(value.data.size()) + "): ";
    dump.append(value.data);
    dump += "\n";
  }
  for (uint32_t i = 0; hive.EnumKey(key, i, &name) == RegStatus::kOk; ++i) {
    dump += DumpHiveTree(hive, path.empty() ? name : path + "\\" + name);
  }
  hive.CloseKey(key);
  return dump;
}

}  // namespace parvolind::testing
