#include <filesystem>
#include <system_error>

#include "platform/registry_hive.h"

namespace parvolind {

bool DeleteRegistryHive(const std::string& database_path) {
  // The database and the files SQLite keeps beside it while it is in use.
  bool gone = true;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::error_code error;
    std::filesystem::remove(database_path + suffix, error);
    gone = gone && !error;
  }
  return gone;
}

}  // namespace parvolind
