#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "engine/file_collector.h"
#include "engine/file_transfer.h"
#include "engine/log_writer.h"
#include "engine/progress_sink.h"
#include "engine/run_control.h"
#include "engine/run_options.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind {

/// The text of the message a failed run shows.
inline constexpr std::string_view kRunFailedMessage = "Die Synchronisation ist fehlgeschlagen!";

/// How a run ended.
enum class RunOutcome {
  kCompleted,  ///< all work done (or nothing to do); `Execution` written
  kCancelled,  ///< the cancel request was honoured
  kFailed,     ///< an error, or the run was refused; the failure message was shown
};

/// What a run reports to its caller beyond the log and the store.
struct RunResult {
  RunOutcome outcome = RunOutcome::kCompleted;
  /// Copies started ("Dateien:" of a completed run), failed ones included.
  int64_t files = 0;
  /// Files that could not be synchronised: failed copies and files changed on both
  /// sides, each logged as an error.
  int64_t failed_files = 0;
  /// For a failed run: why (a store error's text, or the refusal's reason).
  std::string failure_reason;
  /// The first log line that could not be written, if any (the run went on regardless).
  std::optional<std::string> log_error;
};

/// Carries out one job from start to end: reads its values, collects the file lists,
/// copies in one or both directions, deletes surplus receiving files when asked,
/// writes `NextSync`, `Execution` and the log.
///
/// The run refuses, as a failed run, to start while another run is under way (in
/// this process or, through the job's run lock, in another one), and to work on two
/// directories of which one lies within the other. An empty or missing sending side
/// never leads to deletions on the receiving side, nor does a sending folder that could
/// not be read to its end. On its receiving side a run writes, replaces and deletes
/// only inside the receiving folder: never through a link that leads out of it, nor in a
/// folder that is also one of the sending side's.
///
/// A drive that is not plugged in is never written in its place: the run creates no
/// folder in the mount folders (/media/, /run/media/, /mnt/) other than on a drive
/// mounted there, and after each completed run it keeps the mount point of each root
/// (`Mount1`, `Mount2`), so that a later run that finds a root on a file system
/// further up fails and changes nothing. Times are compared at the resolution the
/// receiving file systems keep (2 s on FAT, whole seconds on some exFAT drivers).
class SynchronisationRun {
 public:
  /// The run shows its progress on `progress` and follows `control`'s cancel request;
  /// `job_date` computes a job's next scheduled moment (the schedule layer's
  /// GetJobDate); `locks` keeps one job from running twice at the same time.
  SynchronisationRun(RegistryHive& hive, FileSystem& fs, ProgressSink& progress,
                     RunControl& control, LogWriter& log, const Clock& clock, const Locale& locale,
                     JobDateFunction job_date, RunLocks& locks);

  /// Runs the job `job_name` (the name of its key under Jobs, in any case) with `options`.
  /// Never throws.
  RunResult ExecuteSynchronisation(const std::string& job_name, const RunOptions& options);

 private:
  struct Job;
  struct Pass;
  struct Located;
  struct TimeKeeping;
  enum class TimeOrder;

  RunResult Refuse(const std::string& job_name, std::string_view reason);
  void Work(const std::string& job_name, RegistryKey& key, int64_t& copies);
  void CopyPass(Pass& pass, int64_t& copies, int64_t& total);
  // Removes the temporary files of killed copies on the pass's receiving side.
  void RemoveLeftoverCopies(const Pass& pass, bool sub_dirs, FileTransfer& transfer);
  void RemoveTarget(Pass& pass, std::string_view relative, int64_t& total);
  bool HoldsAnyFile(const std::string& root, bool sub_dirs);
  // The mount point `root` lies on (or will, once created), ending in '/'. Refuses the run
  // when the root's drive is plainly not there (see the class comment).
  std::string CheckAvailable(const std::string& root, const std::string& remembered_mount);
  TimeKeeping ProbeTimes(const std::string& root);
  TimeOrder CompareTimes(const Pass& pass, const FileStatus& source, const FileStatus& target);
  void DeleteSurplus(const std::string& entry);
  // Walks the folders below `root` (into subfolders when `sub_dirs`, never into
  // hidden folders or through links), calling `visit` with each entry's folder, name
  // and type; false from `visit` stops the walk, and then WalkTree() returns false.
  bool WalkTree(const std::string& root, bool sub_dirs,
                const std::function<bool(const std::string&, std::string_view, EntryType)>& visit);
  Located Locate(const std::string& root);
  bool Within(const Located& inner, const Located& outer);
  bool Overlapping(const std::string& root1, const std::string& root2);
  bool SendingSideMayHold(const std::string& sending_root, std::string_view relative,
                          const FileCollector& collector);
  // Whether the pass may write, replace or delete `path` on its receiving side: not where the
  // path leads out of the receiving folder through a link, nor into a folder of the sending
  // side. A refusal is logged once per run and place, and counted.
  bool MayChange(const Pass& pass, const std::string& path);
  // The folder with every link resolved, ending in '/'; the folder itself when that fails.
  std::string RealFolder(const std::string& folder);
  void WriteNextSync(RegistryKey& key, const std::string& job_name);
  std::string Shortened(std::string_view path, ProgressLabel label, int spare) const;

  RegistryHive& hive_;
  FileSystem& fs_;
  ProgressSink& progress_;
  RunControl& control_;
  LogWriter& log_;
  const Clock& clock_;
  const Locale& locale_;
  JobDateFunction job_date_;
  RunLocks& locks_;
  // The options of the run under way.
  RunOptions options_;
  // Copies that failed in the current run.
  int64_t failed_files_ = 0;
  // The mount points of the roots of this run and those kept from the last completed one
  // (index 0 `Dir1`, 1 `Dir2`); empty where a root takes no part.
  std::string mounts_[2];
  std::string remembered_mounts_[2];
  // Whether the job's last run died (its lock was left behind).
  bool previous_run_died_ = false;
  // One-entry cache of SendingSideMayHold(): the sending folder last judged.
  std::string checked_folder_;
  bool checked_folder_may_hold_ = false;
  // One-entry cache of MayChange(): the receiving folder last judged.
  std::string guarded_folder_;
  bool guarded_folder_allowed_ = true;
  // The places MayChange() refused and logged in this run.
  std::set<std::string> reported_paths_;
};

}  // namespace parvolind
