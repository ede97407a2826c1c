#include "platform/registry_hive.h"

namespace parvolind {

std::unique_ptr<RegistryHive> OpenRegistryHive(const std::string&, std::string* error) {
  if (error) *error = "not implemented";
  return nullptr;
}

std::unique_ptr<RegistryHive> OpenUserRegistryHive(std::string* error) {
  return OpenRegistryHive({}, error);
}

}  // namespace parvolind
