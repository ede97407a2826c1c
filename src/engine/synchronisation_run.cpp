#include "engine/synchronisation_run.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "engine/copy_pass.h"
#include "engine/delete_pass.h"
#include "engine/file_collector.h"
#include "engine/file_transfer.h"
#include "engine/mount_guard.h"
#include "engine/path_index.h"
#include "engine/read_only_file_system.h"
#include "engine/receiving_guard.h"
#include "engine/root_overlap.h"
#include "engine/run_context.h"
#include "engine/run_paths.h"
#include "engine/sync_job.h"
#include "engine/time_keeping.h"
#include "engine/tree_walk.h"
#include "platform/path_rules.h"
#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

constexpr std::string_view kAlreadyRunning = "Auftrag wird bereits durchgeführt.";
constexpr std::string_view kLockFailed = "Auftrag kann nicht gesperrt werden.";
constexpr std::string_view kRootsOverlap = "Verzeichnis 1 und Verzeichnis 2 überschneiden sich.";
constexpr std::string_view kActionPrepare = "Synchronisation wird vorbereitet...";
// Where a job keeps what the file systems of its roots keep of times (see TimeStepOf()).
constexpr const char* kTimeStepValues[2] = {"TimeStep1", "TimeStep2"};

// A kept finding, or -1 where there is none the run can go by (a value of another type is the
// user's doing and says nothing).
int32_t ReadTimeStep(const RegistryKey& key, const char* name) {
  try {
    return key.ValueExists(name) ? key.ReadInteger(name) : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

// Removes the temporary files of killed copies on the receiving side `side`.
void RemoveLeftoverCopies(RunContext& run, const ReceivingSide& side, bool sub_dirs,
                          FileTransfer& transfer) {
  run.guard.Forget();
  WalkTree(run.fs, run.progress, side.root, sub_dirs,
           [&](const std::string& folder, std::string_view name, EntryType type) {
             const std::string path = folder + std::string(name);
             if (type == EntryType::kRegular && FileTransfer::IsTemporaryName(name) &&
                 run.guard.MayChange(side, path)) {
               // A copy still running (of another job) keeps its file locked; it stays.
               transfer.RemoveStaleTemporaryFile(path);
             }
             return true;
           });
}

}  // namespace

SynchronisationRun::SynchronisationRun(RegistryHive& hive, FileSystem& fs, ProgressSink& progress,
                                       RunControl& control, LogWriter& log, const Clock& clock,
                                       const Locale& locale, JobDateFunction job_date,
                                       RunLocks& locks)
    : hive_(hive),
      fs_(fs),
      progress_(progress),
      control_(control),
      log_(log),
      clock_(clock),
      locale_(locale),
      job_date_(std::move(job_date)),
      locks_(locks) {}

void SynchronisationRun::WriteNextSync(RegistryKey& key, const std::string& job_name) {
  key.WriteDateTime(job_value::kNextSync, job_date_(job_name));
}

RunResult SynchronisationRun::PreviewSynchronisation(const std::string& job_name,
                                                     const RunOptions& options,
                                                     ActionSink& actions) {
  // The same run, on a file system that refuses every change: a step that should have been left
  // out cannot touch a file all the same.
  ReadOnlyFileSystem read_only(fs_);
  SynchronisationRun preview(hive_, read_only, progress_, control_, log_, clock_, locale_,
                             job_date_, locks_);
  preview.actions_ = &actions;
  preview.preview_ = true;
  return preview.Execute(job_name, options);
}

RunResult SynchronisationRun::ExecuteSynchronisation(const std::string& job_name,
                                                     const RunOptions& options) {
  return Execute(job_name, options);
}

RunResult SynchronisationRun::Refuse(const std::string& job_name, std::string_view reason) {
  // A refused run leaves the run in progress alone: its flags, panel and icon are
  // not touched. It still frames its log lines as a failed run.
  RunResult result;
  result.outcome = RunOutcome::kFailed;
  result.failure_reason = std::string(reason);
  if (preview_) return result;  // a refused preview has nothing to write
  log_.WriteRunStart(job_name);
  log_.WriteError(reason);
  progress_.ShowFailureMessage(kRunFailedMessage);
  try {
    RegistryKey key(hive_);
    if (key.OpenForWriting(JobKeyPath(job_name), false)) {
      WriteNextSync(key, job_name);
    }
  } catch (const std::exception&) {
    // The next moment stays as it was; the refusal itself is what counts.
  }
  log_.WriteRunCancelled();
  result.log_error = log_.TakeFirstError();
  return result;
}

RunResult SynchronisationRun::Execute(const std::string& typed_name, const RunOptions& options) {
  // Errors of lines written before this run are not this run's to report.
  log_.TakeFirstError();
  // A preview writes no log line; the errors the log would hold are its error actions, and so
  // they are in a run that reports its actions.
  struct LogMode {
    LogWriter& log;
    ~LogMode() {
      log.SetSilenced(false);
      log.SetErrorObserver({});
    }
  } log_mode{log_};
  log_.SetSilenced(preview_);
  if (actions_ != nullptr) {
    log_.SetErrorObserver([this](std::string_view text) {
      actions_->Report(RunAction{RunActionKind::kError, {}, {}, 0, std::string(text)});
    });
  }
  // Names match without regard to case; the log and the panel show the job as it is stored.
  const std::string job_name = JobStore(hive_, clock_, locale_).StoredName(typed_name);
  if (control_.RunInProgress()) return Refuse(job_name, kAlreadyRunning);
  std::unique_ptr<RunLock> lock;
  switch (locks_.TryLock(job_name, &lock)) {
    case RunLockStatus::kAcquired:
      break;
    case RunLockStatus::kHeldElsewhere:
      return Refuse(job_name, kAlreadyRunning);
    case RunLockStatus::kFailed:
      return Refuse(job_name, kLockFailed);
  }

  options_ = options;
  previous_run_died_ = lock->TakenOver();
  failed_files_ = 0;
  for (int i = 0; i < 2; ++i) {
    mounts_[i].clear();
    remembered_mounts_[i].clear();
    time_steps_[i] = -1;
    remembered_time_steps_[i] = -1;
  }

  RunResult result;
  control_.SetRunInProgress(true);
  const bool animated = options_.animated_icon;
  if (animated) progress_.SetIconAnimation(true);
  const uint32_t start_tick = clock_.TickCount();
  int64_t copies = 0;
  // A log line that cannot be written never stops the run; the first such error
  // is handed to the caller at the end.
  log_.WriteRunStart(job_name);

  RegistryKey key(hive_);
  try {
    // A preview only reads: the command line opens the store read-only for it.
    if (preview_) {
      key.OpenForReading(JobKeyPath(job_name));
    } else {
      key.OpenForWriting(JobKeyPath(job_name), false);
    }
    Work(job_name, key, copies);
    if (!preview_) WriteNextSync(key, job_name);
    if (control_.CancelRequested()) {
      log_.WriteRunCancelled();
      control_.SetCancelRequested(false);
      result.outcome = RunOutcome::kCancelled;
    } else if (preview_) {
      result.outcome = RunOutcome::kCompleted;
    } else {
      const uint32_t elapsed = clock_.TickCount() - start_tick;
      // `Execution` goes first, so that a store error cannot follow a completed
      // run end with a second, failed one.
      static constexpr const char* kMountValues[2] = {"Mount1", "Mount2"};
      for (int i = 0; i < 2; ++i) {
        if (!mounts_[i].empty() && mounts_[i] != remembered_mounts_[i]) {
          key.WriteString(kMountValues[i], mounts_[i]);
        }
        if (time_steps_[i] >= 0 && time_steps_[i] != remembered_time_steps_[i]) {
          key.WriteInteger(kTimeStepValues[i], time_steps_[i]);
        }
      }
      key.WriteString(job_value::kExecution, JobStore::FormatRunTime(clock_.Now(), locale_));
      log_.WriteRunCompleted(copies, elapsed);
      result.outcome = RunOutcome::kCompleted;
    }
    key.Close();
  } catch (const std::exception& error) {
    result.outcome = RunOutcome::kFailed;
    result.failure_reason = error.what();
  } catch (...) {
    result.outcome = RunOutcome::kFailed;
    result.failure_reason = "Unbekannter Fehler";
  }

  if (result.outcome == RunOutcome::kFailed) {
    // A preview that fails tells its caller why; no run failed.
    if (!preview_) progress_.ShowFailureMessage(kRunFailedMessage);
    // A job whose key is gone is not brought back: the key was opened without
    // creating it, and a key that did not open gets no write at all.
    if (key.IsOpen() && !preview_) {
      try {
        WriteNextSync(key, job_name);
      } catch (const std::exception&) {
        // The failure path goes on to its end whatever the store says.
      }
    }
    log_.WriteRunCancelled();
    control_.SetCancelRequested(false);
    key.Close();
  }
  result.files = copies;
  result.failed_files = failed_files_;
  control_.SetRunInProgress(false);
  if (animated) progress_.SetIconAnimation(false);
  progress_.ShowProgressPanel(false);
  result.log_error = log_.TakeFirstError();
  return result;
}

void SynchronisationRun::Work(const std::string& job_name, RegistryKey& key, int64_t& copies) {
  if (!key.IsOpen()) {
    throw std::runtime_error("Der Auftrag '" + job_name + "' ist nicht vorhanden.");
  }
  const SyncJob job = ReadSyncJob(key, log_);
  ReceivingGuard guard(fs_, log_, failed_files_);
  RunContext run{fs_,   progress_,     control_, log_,    options_,
                 guard, failed_files_, actions_, preview_};

  progress_.SetLabel(ProgressLabel::kJob, job_name);
  progress_.SetLabel(ProgressLabel::kDir1, Shortened(progress_, job.dir1, ProgressLabel::kDir1, 0));
  progress_.SetLabel(ProgressLabel::kDir2, Shortened(progress_, job.dir2, ProgressLabel::kDir2, 0));
  progress_.SetLabel(ProgressLabel::kAction, kActionPrepare);
  progress_.SetBarValue(ProgressBar::kActual, 0);
  progress_.SetBarValue(ProgressBar::kTotal, 0);
  control_.SetCancelRequested(false);
  progress_.ProcessEvents();
  progress_.ShowProgressPanel(true);

  if (!job.dir_down && !job.dir_up) return;
  const bool both = job.dir_down && job.dir_up;
  const bool up_only = job.dir_up && !job.dir_down;
  const std::string& sending_root = up_only ? job.dir2 : job.dir1;
  const std::string& receiving_root = up_only ? job.dir1 : job.dir2;

  // Copying a tree into itself or into its own subtree would overwrite, delete or
  // multiply files without end. Tested before anything is created, so that a refused job
  // leaves no folder behind in the other tree.
  if (RootsOverlap(fs_, job.dir1, job.dir2)) Refusal(log_, kRootsOverlap);
  // Both roots are looked at before either is created: a missing drive changes nothing.
  remembered_mounts_[0] = key.ReadString("Mount1");
  remembered_mounts_[1] = key.ReadString("Mount2");
  const std::string mount1 = CheckAvailable(fs_, log_, job.dir1, remembered_mounts_[0]);
  const std::string mount2 = CheckAvailable(fs_, log_, job.dir2, remembered_mounts_[1]);
  // Missing roots are created, the sending one too; a sending root that was not
  // there, like one without files, must never empty the receiving side.
  const bool sending_was_missing = !fs_.Stat(sending_root).is_directory;
  if (!preview_) {
    fs_.CreateDirectoryPath(sending_root);
    fs_.CreateDirectoryPath(receiving_root);
  }

  // Replacements are finished in batches, so that their disk syncs overlap; whatever still
  // waits is finished when `transfer` goes, however this ends.
  FileTransfer transfer(fs_, progress_, control_, options_);
  transfer.FinishReplacementsInBatches([this, &job](const std::string& source) {
    log_.WriteFileFailure(source);
    ++failed_files_;  // a replacement that failed at its end failed like any other copy
    // A file whose copy did not arrive after all is marked for the next run again.
    if (job.archiv_bit && kArchiveModeBit != 0) {
      const FileStatus status = fs_.Stat(source);
      if (status.exists) fs_.SetPermissions(source, status.mode | kArchiveModeBit);
    }
  });
  FileCollector collector(fs_, progress_, control_, clock_, transfer, log_);
  collector.Reset();
  const bool has_targets = both || job.del_others;
  // The comparison goes by what the walks saw only where both sides are listed (see
  // RunCopyPass); without a receiving list the sending files are looked at when compared.
  collector.SetListedStatuses(has_targets && job.mode != 0 && !job.archiv_bit);
  // The receiving side is read beside the sending side's walk; the lists are the same.
  if (has_targets) {
    collector.ReadAhead(receiving_root, job.filter, job.sub_dirs, job.filter_type, sending_root);
  }
  FileList sources;
  collector.GetSyncFiles(sending_root, job.filter, sources, job.sub_dirs, job.filter_type, job.days,
                         receiving_root);
  FileList targets;
  if (has_targets) {
    collector.GetSyncFiles(receiving_root, job.filter, targets, job.sub_dirs, job.filter_type,
                           job.days, sending_root);
  }
  failed_files_ += collector.Failures();
  // A folder of the sending side that is also one of the receiving side's is neither side's to
  // copy: what the sending walk listed in it goes.
  for (const std::string& shared : collector.SharedFolders()) sources.RemoveBelow(shared);
  FileList::DistrustFoldersSeenTwice(&sources, &targets);
  progress_.SetBarRange(ProgressBar::kTotal, 0,
                        static_cast<int64_t>(sources.size() + targets.size()));
  progress_.ProcessEvents();
  if (control_.CancelRequested()) return;
  // The roots are remembered only once the run has got this far on them.
  mounts_[0] = mount1;
  mounts_[1] = mount2;
  // Only the receiving sides are asked what times they keep: a copy from a coarser file system
  // carries its time over exactly, and the sending side of a one-way job is never written.
  // The findings are kept with the job, so that a preview, which may write no probe file, can
  // go by them; they hold only while the root lies on the same file system.
  const int receiving_index = up_only ? 0 : 1;
  const int sending_index = 1 - receiving_index;
  const std::string current_mounts[2] = {mount1, mount2};
  const auto times_of = [&](int index, const std::string& root) {
    if (!preview_) {
      const TimeKeeping found = ProbeTimes(fs_, log_, root);
      time_steps_[index] = TimeStepOf(found);
      return found;
    }
    const int32_t kept = remembered_time_steps_[index];
    if (kept < 0 || current_mounts[index] != remembered_mounts_[index]) return TimeKeeping{};
    return KeptTimes(log_, root, kept);
  };
  for (int i = 0; i < 2; ++i) remembered_time_steps_[i] = ReadTimeStep(key, kTimeStepValues[i]);
  TimeKeeping sending_times;
  TimeKeeping receiving_times;
  if (job.mode != 0) {
    receiving_times = times_of(receiving_index, receiving_root);
    if (both) sending_times = times_of(sending_index, sending_root);
  }
  // What each pass may change on its receiving side (see ReceivingGuard).
  CopyPass first;
  first.receiving.root = receiving_root;
  first.receiving.real = RealFolder(fs_, receiving_root);
  first.receiving.collector = &collector;
  first.receiving.sending_walk = 1;
  CopyPass second;
  second.receiving.root = sending_root;
  second.receiving.real = RealFolder(fs_, sending_root);
  second.receiving.collector = &collector;
  second.receiving.sending_walk = 2;

  // The sending side of a one-way job is never changed, not even to tidy up; nor is anything
  // a link leads to.
  guard.Forget();
  if (!preview_) {
    collector.RemoveStaleTemporaryFiles(receiving_root, [&](const std::string& path) {
      return guard.MayChange(first.receiving, path);
    });
  }
  if (previous_run_died_ && !preview_) {
    // The last run of this job was killed and may have left unfinished copies on
    // its receiving side, also where this run lists nothing, and also fresh ones.
    RemoveLeftoverCopies(run, first.receiving, job.sub_dirs, transfer);
  }
  if (both && !preview_) {
    guard.Forget();
    collector.RemoveStaleTemporaryFiles(sending_root, [&](const std::string& path) {
      return guard.MayChange(second.receiving, path);
    });
    if (previous_run_died_) RemoveLeftoverCopies(run, second.receiving, job.sub_dirs, transfer);
  }

  int64_t total = 0;
  std::optional<PathIndex> target_index;
  if (has_targets) target_index.emplace(targets, receiving_root.size());

  first.sending_root = sending_root;
  first.sources = &sources;
  first.targets = target_index ? &*target_index : nullptr;
  first.job = &job;
  first.transfer = &transfer;
  first.sending_is_dir1 = !up_only;
  first.resolution_ms = std::max(sending_times.resolution_ms, receiving_times.resolution_ms);
  first.sending_timeless = !sending_times.kept;
  transfer.SetTimesAgainAfterRename(receiving_times.again_after_rename);
  guard.Forget();
  RunCopyPass(run, first, copies, total);
  if (first.cancelled) return;

  if (both) {
    if (target_index->RemainingCount() == 0) return;
    transfer.FinishPendingReplacements();
    // The second pass works on the receiving files the first pass did not
    // overwrite, in their order, copying them the other way.
    second.sending_root = receiving_root;
    second.sources = &targets;
    second.skip = &*target_index;
    second.job = &job;
    second.transfer = &transfer;
    second.sending_is_dir1 = false;
    second.resolution_ms = first.resolution_ms;
    second.sending_timeless = !receiving_times.kept;
    transfer.SetTimesAgainAfterRename(sending_times.again_after_rename);
    guard.Forget();
    second.statuses_hold = first.statuses_hold;
    sources.Clear();
    RunCopyPass(run, second, copies, total);
    return;
  }

  if (!job.del_others || target_index->RemainingCount() == 0) return;
  transfer.FinishPendingReplacements();
  DeletePass deletion;
  deletion.sending_root = sending_root;
  deletion.receiving = first.receiving;
  deletion.sources = &sources;
  deletion.sending_was_missing = sending_was_missing;
  deletion.sub_dirs = job.sub_dirs;
  deletion.targets = &targets;
  deletion.target_index = &*target_index;
  deletion.collector = &collector;
  RunDeletePass(run, deletion, total);
}

}  // namespace parvolind
