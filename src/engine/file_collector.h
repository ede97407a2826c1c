#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/file_list.h"
#include "engine/file_transfer.h"
#include "engine/folder_reader.h"
#include "engine/log_writer.h"
#include "engine/progress_sink.h"
#include "engine/run_control.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace parvolind {

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
  /// be read, or only in part, is logged, counted in Failures() and noted in
  /// IncompleteFolders(). Stops early when the run control's cancel request is set. Links are
  /// followed, except back into a directory above on the same walk. A directory that is
  /// `other_root` (the run's other side), lies inside it or contains it is passed over and logged
  /// once; so is a directory that a walk of another root with another side reached already since
  /// Reset() (the same directory seen from the other side, through a bind mount for example): see
  /// SharedFolders().
  void GetSyncFiles(const std::string& directory, const std::string& filter, FileList& list,
                    bool sub_dirs, int32_t filter_type, int32_t days,
                    const std::string& other_root = std::string());
  /// Whether the walk looks at each file it lists and keeps what it saw in the list (see
  /// FileList::ListedStatus()); on unless switched off, as for a run that compares nothing by
  /// them.
  void SetListedStatuses(bool keep) { listed_statuses_ = keep; }
  /// Starts reading the folders of a later GetSyncFiles() with the same directory, filter,
  /// sub_dirs, filter_type and other_root ahead, beside whatever this thread does meanwhile
  /// (see FolderReader). What that call lists, logs and reports is the same either way.
  void ReadAhead(const std::string& directory, const std::string& filter, bool sub_dirs,
                 int32_t filter_type, const std::string& other_root);

  /// Forgets the stale temporary files found, the links reported, the folders walked and the
  /// failures; call once at the start of each run.
  void Reset();

  /// Directories that could not be read, or not to their end, each ending in '/'. What lies
  /// below them is unknown, not absent.
  const std::vector<std::string>& IncompleteFolders() const { return incomplete_folders_; }
  /// How many directories could not be read or were passed over (each logged): what lies in
  /// them is not synchronised.
  int64_t Failures() const { return failures_; }
  /// For each directory passed over because an earlier walk had reached it already: the path by
  /// which that earlier walk reached it, ending in '/'. Everything the earlier walk listed below
  /// it belongs to both sides at once.
  const std::vector<std::string>& SharedFolders() const { return shared_folders_; }
  /// Which walk with another side since Reset() reached the directory with this device and
  /// inode: 1 for the first root walked, 2 for the second; 0 for a shared one (see
  /// SharedFolders()), -1 when none did.
  int WalkOf(uint64_t device, uint64_t inode) const;

  /// Temporary copy files left behind by a killed copy, found while walking.
  const std::vector<std::string>& StaleTemporaryFiles() const { return stale_temporary_files_; }
  /// Removes the stale temporary files found below `root` (those no running copy holds and, where
  /// `may_remove` is given, those it allows) and forgets them; returns how many were removed.
  /// Those found elsewhere stay untouched.
  int RemoveStaleTemporaryFiles(const std::string& root,
                                const std::function<bool(const std::string&)>& may_remove = {});

  /// Whether a file name passes the type filter. `filter_haystack` is the filter text with
  /// A-Z lower-cased, followed by ';' (see FilterHaystack()).
  static bool PassesTypeFilter(std::string_view name, std::string_view filter_haystack,
                               int32_t filter_type);
  /// The filter text as PassesTypeFilter() searches it.
  static std::string FilterHaystack(std::string_view filter);

 private:
  using Identity = std::pair<uint64_t, uint64_t>;  // device and inode
  struct Walk;
  FolderRules RulesFor(const std::string& filter, bool sub_dirs, int32_t filter_type,
                       const std::string& other_root);
  void WalkDirectory(Walk& walk, Folder& folder, bool via_link);
  // The file pass of one directory. False when a cancel request stopped it.
  bool ReadDirectory(Walk& walk, Folder& folder);
  bool LeadsIntoOtherRoot(const Walk& walk, const std::string& directory, const FileStatus& self,
                          bool via_link);
  // Logs a directory that could not be read (completely), counts and notes it.
  void NoteIncomplete(const std::string& directory, std::string_view why);
  bool PassesAgeFilter(const std::string& path, const FileStatus* known_status, int32_t days);

  FileSystem& fs_;
  ProgressSink& progress_;
  const RunControl& control_;
  const Clock& clock_;
  FileTransfer& transfer_;
  LogWriter& log_;
  std::set<Identity> reported_links_;
  std::vector<std::string> stale_temporary_files_;
  std::vector<std::string> incomplete_folders_;
  int64_t failures_ = 0;
  // Every directory walked since Reset(): the walk that reached it first (0 once it is found to
  // be shared) and the path it was reached by.
  struct Reach {
    int walk = 0;
    std::string path;
  };
  std::map<Identity, Reach> walked_;
  std::vector<std::string> shared_folders_;
  // The roots of the walks with another side since Reset(), in the order of their first walk.
  std::vector<std::string> walk_roots_;
  bool listed_statuses_ = true;
  // Last, so that its helpers stop before anything they read into goes.
  FolderReader reader_;
};

}  // namespace parvolind
