#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/file_collector.h"
#include "engine/file_transfer.h"
#include "engine/log_writer.h"
#include "engine/progress_sink.h"
#include "engine/run_action.h"
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

  /// Makes every decision a run of `job_name` started now would make, in every pass and with
  /// every guard, and reports each action to `actions` instead of doing it. Writes nothing: no
  /// file, folder or time stamp (it works through a ReadOnlyFileSystem), no job value, no log
  /// line (the errors the log would hold become kError actions). Refused, like a second run and
  /// without the failure message, while the job runs; cancelled like a run. Where the run would
  /// ask a root's file system what times it keeps, the preview goes by what the last completed
  /// run found there (`TimeStep1`, `TimeStep2`). Never throws.
  RunResult PreviewSynchronisation(const std::string& job_name, const RunOptions& options,
                                   ActionSink& actions);

  /// Reports the actions of the runs from now on to `actions` as they are done (null: none).
  void SetActionSink(ActionSink* actions) { actions_ = actions; }

 private:
  RunResult Execute(const std::string& job_name, const RunOptions& options);
  RunResult Refuse(const std::string& job_name, std::string_view reason);
  void Work(const std::string& job_name, RegistryKey& key, int64_t& copies);
  void WriteNextSync(RegistryKey& key, const std::string& job_name);

  RegistryHive& hive_;
  FileSystem& fs_;
  ProgressSink& progress_;
  RunControl& control_;
  LogWriter& log_;
  const Clock& clock_;
  const Locale& locale_;
  JobDateFunction job_date_;
  RunLocks& locks_;
  // Where the actions are reported, and whether they are only reported (a preview).
  ActionSink* actions_ = nullptr;
  bool preview_ = false;
  // The options of the run under way.
  RunOptions options_;
  // Copies that failed in the current run.
  int64_t failed_files_ = 0;
  // The mount points of the roots of this run and those kept from the last completed one
  // (index 0 `Dir1`, 1 `Dir2`); empty where a root takes no part.
  std::string mounts_[2];
  std::string remembered_mounts_[2];
  // What each root's file system keeps of times (TimeStepOf()), as found by this run's probes
  // and as kept from earlier runs; -1 where nothing was found or kept.
  int32_t time_steps_[2] = {-1, -1};
  int32_t remembered_time_steps_[2] = {-1, -1};
  // Whether the job's last run died (its lock was left behind).
  bool previous_run_died_ = false;
};

}  // namespace parvolind
