#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/file_transfer.h"
#include "engine/run_host.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace parvolind {

/// Full paths of the files a job concerns, in the order the walk found them.
using FileList = std::vector<std::string>;

/// Builds the file lists of a run: walks a directory tree under the job's type and age filters.
class FileCollector {
 public:
  /// Temporary copy files whose last write lies further back than this count as left behind.
  static constexpr int64_t kStaleTemporaryAgeMinutes = 10;

  FileCollector(FileSystem& fs, RunHost& host, const Clock& clock, FileTransfer& transfer);

  /// Appends to `list` every file of `directory` (which ends in '/') that passes the filters, and
  /// with `sub_dirs` those of its subdirectories (depth first; directories whose names begin with
  /// '.' are not entered). `filter` is the job's pattern text, `filter_type` 0 (all types),
  /// 1 (only the listed ones) or 2 (all but the listed ones; any other value admits nothing),
  /// `days` the age limit (0 or less: none). A missing or unreadable directory adds nothing.
  /// Stops early when the host's cancel request is set. Each real directory is walked only
  /// once until Reset(), so links that lead back into the tree (or into the other root) add
  /// nothing twice.
  void GetSyncFiles(const std::string& directory, const std::string& filter, FileList& list,
                    bool sub_dirs, int32_t filter_type, int32_t days);

  /// Forgets the directories walked so far and the stale temporary files found; call once at
  /// the start of each run.
  void Reset();

  /// Temporary copy files left behind by a killed copy, found while walking.
  const std::vector<std::string>& StaleTemporaryFiles() const { return stale_temporary_files_; }
  /// Removes the stale temporary files found (those no running copy holds) and forgets them;
  /// returns how many were removed.
  int RemoveStaleTemporaryFiles();

  /// Whether a file name passes the type filter. `filter_haystack` is the filter text with
  /// A-Z lower-cased, followed by ';' (see FilterHaystack()).
  static bool PassesTypeFilter(std::string_view name, std::string_view filter_haystack,
                               int32_t filter_type);
  /// The filter text as PassesTypeFilter() searches it.
  static std::string FilterHaystack(std::string_view filter);

 private:
  struct Walk;
  void WalkDirectory(Walk& walk, const std::string& directory);
  bool PassesAgeFilter(const std::string& path, const FileStatus* known_status, int32_t days);

  FileSystem& fs_;
  RunHost& host_;
  const Clock& clock_;
  FileTransfer& transfer_;
  std::set<std::pair<uint64_t, uint64_t>> walked_;
  std::vector<std::string> stale_temporary_files_;
};

}  // namespace parvolind
