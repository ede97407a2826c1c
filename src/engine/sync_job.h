#pragma once

#include <cstdint>
#include <string>

#include "engine/log_writer.h"
#include "store/registry_key.h"

namespace parvolind {

/// The job's values as the run reads them once at its start.
struct SyncJob {
  std::string dir1;  ///< ending in the separator
  std::string dir2;  ///< ending in the separator
  std::string filter;
  int32_t filter_type = 0;
  int32_t days = 0;
  bool sub_dirs = false;
  bool dir_down = false;
  bool dir_up = false;
  int mode = 1;  ///< 0 `CritAll`, 1 `CritNew`, 2 `CritNewer` (replaces only files that exist)
  bool archiv_bit = false;
  bool del_others = false;
  bool crc32 = false;
};

/// Reads the job from its open key. Throws, logging run-level refusals, when a root is missing
/// or relative.
SyncJob ReadSyncJob(RegistryKey& key, LogWriter& log);

}  // namespace parvolind
