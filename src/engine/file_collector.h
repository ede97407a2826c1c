#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/file_transfer.h"
#include "engine/log_writer.h"
#include "engine/progress_sink.h"
#include "engine/run_control.h"
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

  FileCollector(FileSystem& fs, ProgressSink& progress, const RunControl& control,
                const Clock& clock, FileTransfer& transfer, LogWriter& log);

  /// Appends to `list` every file of `directory` (which ends in '/') that passes the filters, and
  /// with `sub_dirs` those of its subdirectories (depth first; directories whose names begin with
  /// '.' are not entered). `filter` is the job's pattern text, `filter_type` 0 (all types),
  /// 1 (only the listed ones) or 2 (all but the listed ones; any other value admits nothing),
  /// `days` the age limit (0 or less: none). A missing directory adds nothing; one that cannot
  /// be read is logged. Stops early when the run control's cancel request is set. Links are
  /// followed, except back into a directory above on the same walk. A directory that is
  /// `other_root` (the run's other side), lies inside it or contains it is passed over and logged
  /// once.
  void GetSyncFiles(const std::string& directory, const std::string& filter, FileList& list,
                    bool sub_dirs, int32_t filter_type, int32_t days,
                    const std::string& other_root = std::string());

  /// Forgets the stale temporary files found and the links reported; call once at the start of
  /// each run.
  void Reset();

  /// Temporary copy files left behind by a killed copy, found while walking.
  const std::vector<std::string>& StaleTemporaryFiles() const { return stale_temporary_files_; }
  /// Removes the stale temporary files found below `root` (those no running copy holds) and
  /// forgets them; returns how many were removed. Those found elsewhere stay untouched.
  int RemoveStaleTemporaryFiles(const std::string& root);

  /// Whether a file name passes the type filter. `filter_haystack` is the filter text with
  /// A-Z lower-cased, followed by ';' (see FilterHaystack()).
  static bool PassesTypeFilter(std::string_view name, std::string_view filter_haystack,
                               int32_t filter_type);
  /// The filter text as PassesTypeFilter() searches it.
  static std::string FilterHaystack(std::string_view filter);

 private:
  using Identity = std::pair<uint64_t, uint64_t>;  // device and inode
  struct Walk;
  void WalkDirectory(Walk& walk, const std::string& directory, bool via_link);
  // The file pass of one directory; collects its subdirectories (name, reached through a link).
  // False when a cancel request stopped it.
  bool ReadDirectory(Walk& walk, const std::string& directory, DirectoryStream& stream,
                     std::vector<std::pair<std::string, bool>>& subdirectories);
  bool LeadsIntoOtherRoot(const Walk& walk, const std::string& directory, const FileStatus& self,
                          bool via_link);
  bool PassesAgeFilter(const std::string& path, const FileStatus* known_status, int32_t days);

  FileSystem& fs_;
  ProgressSink& progress_;
  const RunControl& control_;
  const Clock& clock_;
  FileTransfer& transfer_;
  LogWriter& log_;
  std::set<Identity> reported_links_;
  std::vector<std::string> stale_temporary_files_;
};

}  // namespace parvolind
