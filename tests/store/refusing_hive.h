#pragma once

#include <functional>
#include <set>
#include <string>

#include "platform/registry_hive.h"

namespace parvolind::testing {

/// A real hive whose value writes can be refused by name, for the paths that
/// handle a store that says no. Everything else goes to the wrapped hive.
class RefusingHive : public RegistryHive {
 public:
  explicit RefusingHive(RegistryHive& hive) : hive_(hive) {}

  /// Value names whose SetValue is refused with kAccessDenied.
  std::set<std::string, std::less<>> refused;

  RegStatus OpenKey(std::string_view path, bool create, RegKey* key) override {
    return hive_.OpenKey(path, create, key);
  }
  void CloseKey(RegKey key) override { hive_.CloseKey(key); }
  RegStatus QueryValue(RegKey key, std::string_view name, RegValue* value) override {
    return hive_.QueryValue(key, name, value);
  }
  RegStatus SetValue(RegKey key, std::string_view name, const RegValue& value) override {
    if (refused.count(name) > 0) return RegStatus::kAccessDenied;
    return hive_.SetValue(key, name, value);
  }
  RegStatus DeleteValue(RegKey key, std::string_view name) override {
    return hive_.DeleteValue(key, name);
  }
  RegStatus EnumKey(RegKey key, uint32_t index, std::string* name) override {
    return hive_.EnumKey(key, index, name);
  }
  RegStatus EnumValue(RegKey key, uint32_t index, std::string* name, RegValue* value) override {
    return hive_.EnumValue(key, index, name, value);
  }
  RegStatus QueryInfoKey(RegKey key, uint32_t* sub_keys, uint32_t* max_sub_key_length,
                         uint32_t* values) override {
    return hive_.QueryInfoKey(key, sub_keys, max_sub_key_length, values);
  }
  RegStatus DeleteKey(RegKey key, std::string_view sub_key) override {
    return hive_.DeleteKey(key, sub_key);
  }
  RegStatus BeginTransaction() override { return hive_.BeginTransaction(); }
  RegStatus CommitTransaction() override { return hive_.CommitTransaction(); }
  void RollbackTransaction() override { hive_.RollbackTransaction(); }

 private:
  RegistryHive& hive_;
};

}  // namespace parvolind::testing
