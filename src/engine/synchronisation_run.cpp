#include "engine/synchronisation_run.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "engine/file_collector.h"
#include "engine/file_transfer.h"
#include "engine/fit_path.h"
#include "engine/path_index.h"
#include "platform/path_rules.h"
#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

constexpr std::string_view kAlreadyRunning = "Auftrag wird bereits durchgeführt.";
constexpr std::string_view kLockFailed = "Auftrag kann nicht gesperrt werden.";
constexpr std::string_view kRootsOverlap = "Verzeichnis 1 und Verzeichnis 2 überschneiden sich.";
constexpr std::string_view kDir1Relative = "Verzeichnis 1 ist kein absoluter Pfad.";
constexpr std::string_view kDir2Relative = "Verzeichnis 2 ist kein absoluter Pfad.";
constexpr std::string_view kActionPrepare = "Synchronisation wird vorbereitet...";
constexpr std::string_view kActionCompare = "Daten werden verglichen...";
constexpr std::string_view kCopying = " wird kopiert...";
constexpr std::string_view kDeleting = " wird gelöscht...";
constexpr std::string_view kNotAvailable =
    " ist nicht verfügbar. Ist der Datenträger angeschlossen?";
constexpr std::string_view kTimesNotKept =
    " kann keine Zeitstempel speichern; Dateien gleicher Größe gelten dort als unverändert.";
constexpr std::string_view kNotDeleted = " konnte nicht gelöscht werden.";
constexpr std::string_view kLeadsOut =
    " führt aus dem Verzeichnis des Auftrags hinaus und wurde übergangen.";
constexpr std::string_view kLeadsIntoOther =
    " führt in das andere Verzeichnis des Auftrags und wurde übergangen.";
// The action label's paths leave this many pixels for the text behind them.
constexpr int kActionSpare = 100;
// The folders below which the system mounts drives. A folder there that is not on a drive of
// its own is only the place where a drive appears when it is plugged in.
constexpr std::string_view kMountFolders[] = {"/media/", "/run/media/", "/mnt/"};
// The time a root's probe file is given: an odd second with a fraction, so that what comes back
// tells whether the file system keeps nanoseconds, hundredths, seconds or two seconds.
constexpr int64_t kProbeTime = int64_t{1614834367} * 1000000000 + 891234567;
constexpr int64_t kNanosPerMilli = 1000000;
constexpr int64_t kCoarsestTimeNs = int64_t{2000} * kNanosPerMilli;

// A file's last-write time to the millisecond. Comparing these is comparing the
// local times the user sees at one zone offset, without the jumps a change between
// summer and winter time would put between two files' local times.
constexpr int64_t kNoTime = LLONG_MIN;

int64_t MillisecondsOf(const FileStatus& status) {
  if (!status.exists || status.is_directory) return kNoTime;
  int64_t ms = status.mtime_ns / 1000000;
  if (status.mtime_ns % 1000000 < 0) --ms;
  return ms;
}

std::string WithSeparator(std::string directory) {
  if (directory.empty() || directory.back() != kPathSeparator) directory += kPathSeparator;
  return directory;
}

// `path` (ending in '/') is one of the mount folders or lies below one; with `strictly` only
// below.
bool InMountFolders(std::string_view path, bool strictly) {
  for (const std::string_view folder : kMountFolders) {
    if (path.size() >= folder.size() + (strictly ? 1 : 0) &&
        path.substr(0, folder.size()) == folder) {
      return true;
    }
  }
  return false;
}

// The folder part of a path ending in '/': "/a/b/" for "/a/b/c" and for "/a/b/c/".
std::string ParentFolder(const std::string& path) {
  std::string folder = path;
  if (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  const size_t slash = folder.rfind(kPathSeparator);
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

// Whether `folder` is the root of its file system or drive ("/", "C:\\").
bool IsRoot(const std::string& folder) { return RootLength(folder) == folder.size(); }

bool StartsWithPath(std::string_view path, std::string_view prefix) {
  return path.size() >= prefix.size() && SameFileName(path.substr(0, prefix.size()), prefix);
}

// `relative` (folder names, each ending in the separator) below `folder`, with "." and ".." taken
// out as creating the folders one by one would take them.
std::string Joined(std::string folder, std::string_view relative) {
  size_t begin = 0;
  while (begin < relative.size()) {
    size_t end = relative.find(kPathSeparator, begin);
    if (end == std::string_view::npos) end = relative.size();
    const std::string_view part = relative.substr(begin, end - begin);
    if (part == "..") {
      if (!IsRoot(folder)) folder = ParentFolder(folder);
    } else if (!part.empty() && part != ".") {
      folder.append(part).push_back(kPathSeparator);
    }
    begin = end + 1;
  }
  return folder;
}

// Whether a look that found nothing may still have missed something: it failed other than by
// the path's absence (a read error, a name too long).
bool MayExist(const FileStatus& status) {
  return status.exists || (status.error != 0 && status.error != ENOENT && status.error != ENOTDIR);
}

// Logs a run-level error and ends the run as failed.
[[noreturn]] void Refusal(LogWriter& log, std::string_view reason) {
  log.WriteError(reason);
  throw std::runtime_error(std::string(reason));
}

}  // namespace

/// The job's values as the run reads them once at its start.
struct SynchronisationRun::Job {
  std::string dir1;
  std::string dir2;
  std::string filter;
  int32_t filter_type = 0;
  int32_t days = 0;
  bool sub_dirs = false;
  bool dir_down = false;
  bool dir_up = false;
  int mode = 1;
  bool archiv_bit = false;
  bool del_others = false;
  bool crc32 = false;
};

/// One copy pass over a list of sending files.
struct SynchronisationRun::Pass {
  std::string sending_root;
  std::string receiving_root;
  const FileList* sources = nullptr;
  /// Entries removed here are no sources (the second pass works on what the first left).
  const PathIndex* skip = nullptr;
  /// The receiving side's list, from which each copied file's entry is taken out.
  PathIndex* targets = nullptr;
  const Job* job = nullptr;
  FileTransfer* transfer = nullptr;
  /// Whether the sending root is `Dir1` (conflicts are logged by their `Dir1` path).
  bool sending_is_dir1 = true;
  /// Times closer than this (milliseconds) count as the same: the coarser of what the two
  /// sides' file systems keep.
  int64_t resolution_ms = 1;
  /// The sending side's file system keeps no times: its files bear the moment they were written.
  bool sending_timeless = false;
  /// The receiving root with every link resolved, ending in '/'.
  std::string receiving_real;
  /// The walk of the collector that listed the sending side (see FileCollector::WalkOf()).
  const FileCollector* collector = nullptr;
  int sending_walk = 1;
  bool cancelled = false;
};

/// What a root's file system does with the time a copy gives a file.
struct SynchronisationRun::TimeKeeping {
  int64_t resolution_ms = 1;  ///< the steps it keeps times in, at least 1 ms
  bool kept = true;           ///< false: it keeps no time at all (a file bears its write moment)
  bool again_after_rename = false;  ///< a rename sets the time: set it again afterwards
};

/// Which of a sending and a receiving file is newer, at the resolution of their file systems.
enum class SynchronisationRun::TimeOrder {
  kReceivingNewer,  ///< also when the sending file is gone
  kSame,
  kReceivingOlder,
  kUnknown,  ///< the times say nothing (a side that keeps none); the sizes are equal
};

/// A directory root as the file system will see it once created: its nearest existing
/// folder, resolved, and the names of the folders still missing below it.
struct SynchronisationRun::Located {
  std::string existing;  ///< real path, ending in the separator
  /// plain folder names, each ending in the separator; empty when the root exists
  std::string missing;
};

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

std::string SynchronisationRun::Shortened(std::string_view path, ProgressLabel label,
                                          int spare) const {
  return FitPathToWidth(
      path, progress_.LabelWidth(label) - spare,
      [this, label](std::string_view text) { return progress_.TextWidth(label, text); });
}

void SynchronisationRun::WriteNextSync(RegistryKey& key, const std::string& job_name) {
  key.WriteDateTime(job_value::kNextSync, job_date_(job_name));
}

RunResult SynchronisationRun::Refuse(const std::string& job_name, std::string_view reason) {
  // A refused run leaves the run in progress alone: its flags, panel and icon are
  // not touched. It still frames its log lines as a failed run.
  RunResult result;
  result.outcome = RunOutcome::kFailed;
  result.failure_reason = std::string(reason);
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

RunResult SynchronisationRun::ExecuteSynchronisation(const std::string& typed_name,
                                                     const RunOptions& options) {
  // Errors of lines written before this run are not this run's to report.
  log_.TakeFirstError();
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
  }
  reported_paths_.clear();

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
    key.OpenForWriting(JobKeyPath(job_name), false);
    Work(job_name, key, copies);
    WriteNextSync(key, job_name);
    if (control_.CancelRequested()) {
      log_.WriteRunCancelled();
      control_.SetCancelRequested(false);
      result.outcome = RunOutcome::kCancelled;
    } else {
      const uint32_t elapsed = clock_.TickCount() - start_tick;
      // `Execution` goes first, so that a store error cannot follow a completed
      // run end with a second, failed one.
      static constexpr const char* kMountValues[2] = {"Mount1", "Mount2"};
      for (int i = 0; i < 2; ++i) {
        if (!mounts_[i].empty() && mounts_[i] != remembered_mounts_[i]) {
          key.WriteString(kMountValues[i], mounts_[i]);
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
    progress_.ShowFailureMessage(kRunFailedMessage);
    // A job whose key is gone is not brought back: the key was opened without
    // creating it, and a key that did not open gets no write at all.
    if (key.IsOpen()) {
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
  Job job;
  job.dir1 = key.ReadString(job_value::kDir1);
  job.dir2 = key.ReadString(job_value::kDir2);
  if (job.dir1.empty()) throw std::runtime_error("Verzeichnis 1 ist nicht angegeben.");
  if (job.dir2.empty()) throw std::runtime_error("Verzeichnis 2 ist nicht angegeben.");
  // A relative root would be taken from whichever folder the caller was started in, so the
  // window, the command line and a timed run would each work on other folders.
  if (!IsAbsolutePath(job.dir1)) Refusal(log_, kDir1Relative);
  if (!IsAbsolutePath(job.dir2)) Refusal(log_, kDir2Relative);
  job.dir1 = WithSeparator(job.dir1);
  job.dir2 = WithSeparator(job.dir2);
  job.filter = key.ReadString("Filter");
  job.filter_type = key.ReadInteger("FilterType");
  job.days = key.ReadBool("FilterOld") ? key.ReadInteger("FilterValue") : 0;
  job.sub_dirs = key.ReadBool("SubDirs");
  job.dir_down = key.ReadBool("DirDown");
  job.dir_up = key.ReadBool("DirUp");
  if (key.ReadBool("CritAll")) {
    job.mode = 0;
  } else if (key.ReadBool("CritNew")) {
    job.mode = 1;
  } else if (key.ReadBool("CritNewer")) {
    job.mode = 2;
  } else {
    job.mode = 1;
  }
  job.archiv_bit = key.ReadBool("ArchivBit");
  job.del_others = key.ReadBool("DelOthers");
  job.crc32 = key.ReadBool("CRC32");

  progress_.SetLabel(ProgressLabel::kJob, job_name);
  progress_.SetLabel(ProgressLabel::kDir1, Shortened(job.dir1, ProgressLabel::kDir1, 0));
  progress_.SetLabel(ProgressLabel::kDir2, Shortened(job.dir2, ProgressLabel::kDir2, 0));
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
  if (Overlapping(job.dir1, job.dir2)) Refusal(log_, kRootsOverlap);
  // Both roots are looked at before either is created: a missing drive changes nothing.
  remembered_mounts_[0] = key.ReadString("Mount1");
  remembered_mounts_[1] = key.ReadString("Mount2");
  const std::string mount1 = CheckAvailable(job.dir1, remembered_mounts_[0]);
  const std::string mount2 = CheckAvailable(job.dir2, remembered_mounts_[1]);
  // Missing roots are created, the sending one too; a sending root that was not
  // there, like one without files, must never empty the receiving side.
  const bool sending_was_missing = !fs_.Stat(sending_root).is_directory;
  fs_.CreateDirectoryPath(sending_root);
  fs_.CreateDirectoryPath(receiving_root);

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
  FileList sources;
  collector.GetSyncFiles(sending_root, job.filter, sources, job.sub_dirs, job.filter_type, job.days,
                         receiving_root);
  const bool has_targets = both || job.del_others;
  FileList targets;
  if (has_targets) {
    collector.GetSyncFiles(receiving_root, job.filter, targets, job.sub_dirs, job.filter_type,
                           job.days, sending_root);
  }
  failed_files_ += collector.Failures();
  // A folder of the sending side that is also one of the receiving side's is neither side's to
  // copy: what the sending walk listed in it goes.
  for (const std::string& shared : collector.SharedFolders()) {
    std::erase_if(sources, [&](const std::string& source) {
      return source.compare(0, shared.size(), shared) == 0;
    });
  }
  progress_.SetBarRange(ProgressBar::kTotal, 0,
                        static_cast<int64_t>(sources.size() + targets.size()));
  progress_.ProcessEvents();
  if (control_.CancelRequested()) return;
  // The roots are remembered only once the run has got this far on them.
  mounts_[0] = mount1;
  mounts_[1] = mount2;
  // Only the receiving sides are asked what times they keep: a copy from a coarser file system
  // carries its time over exactly, and the sending side of a one-way job is never written.
  TimeKeeping sending_times;
  TimeKeeping receiving_times;
  if (job.mode != 0) {
    receiving_times = ProbeTimes(receiving_root);
    if (both) sending_times = ProbeTimes(sending_root);
  }
  // What each pass may change on its receiving side (see MayChange()).
  Pass first;
  first.receiving_root = receiving_root;
  first.receiving_real = RealFolder(receiving_root);
  first.collector = &collector;
  first.sending_walk = 1;
  Pass second;
  second.receiving_root = sending_root;
  second.receiving_real = RealFolder(sending_root);
  second.collector = &collector;
  second.sending_walk = 2;

  // The sending side of a one-way job is never changed, not even to tidy up; nor is anything
  // a link leads to.
  guarded_folder_.clear();
  collector.RemoveStaleTemporaryFiles(
      receiving_root, [&](const std::string& path) { return MayChange(first, path); });
  if (previous_run_died_) {
    // The last run of this job was killed and may have left unfinished copies on
    // its receiving side, also where this run lists nothing, and also fresh ones.
    RemoveLeftoverCopies(first, job.sub_dirs, transfer);
  }
  if (both) {
    guarded_folder_.clear();
    collector.RemoveStaleTemporaryFiles(
        sending_root, [&](const std::string& path) { return MayChange(second, path); });
    if (previous_run_died_) RemoveLeftoverCopies(second, job.sub_dirs, transfer);
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
  guarded_folder_.clear();
  CopyPass(first, copies, total);
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
    guarded_folder_.clear();
    FileList().swap(sources);
    CopyPass(second, copies, total);
    return;
  }

  if (!job.del_others || target_index->RemainingCount() == 0) return;
  transfer.FinishPendingReplacements();
  if (sources.empty() || sending_was_missing) {
    // Telling a folder without files from one whose files the filters all leave out points
    // the user to the filter rather than to the folder.
    if (!sending_was_missing && HoldsAnyFile(sending_root, job.sub_dirs)) {
      log_.WriteError(sending_root + " enthält keine passenden Dateien; es wurde nichts gelöscht.");
    } else {
      log_.WriteError(sending_root + " ist leer oder fehlt; es wurde nichts gelöscht.");
    }
    total += static_cast<int64_t>(target_index->RemainingCount());
    progress_.SetBarValue(ProgressBar::kTotal, total);
    progress_.ProcessEvents();
    return;
  }
  const PathIndex source_index(sources, sending_root.size());
  checked_folder_.clear();
  guarded_folder_.clear();
  // The delete pass runs to its end; a cancel pressed meanwhile ends the run
  // afterwards.
  for (size_t position = 0; position < targets.size(); ++position) {
    if (target_index->IsRemoved(position)) continue;
    const std::string& entry = targets[position];
    const std::string_view relative = std::string_view(entry).substr(receiving_root.size());
    if (source_index.Find(relative) == PathIndex::kNotFound &&
        !SendingSideMayHold(sending_root, relative, collector) && MayChange(first, entry)) {
      progress_.SetLabel(
          ProgressLabel::kAction,
          Shortened(entry, ProgressLabel::kAction, kActionSpare) + std::string(kDeleting));
      progress_.ProcessEvents();
      DeleteSurplus(entry);
    }
    progress_.SetBarValue(ProgressBar::kTotal, ++total);
    progress_.ProcessEvents();
  }
}

void SynchronisationRun::CopyPass(Pass& pass, int64_t& copies, int64_t& total) {
  const Job& job = *pass.job;
  const FileList& sources = *pass.sources;
  std::string target;
  for (size_t position = 0; position < sources.size(); ++position) {
    if (pass.skip != nullptr && pass.skip->IsRemoved(position)) continue;
    const std::string& source = sources[position];
    progress_.SetLabel(ProgressLabel::kAction, kActionCompare);
    progress_.ProcessEvents();

    bool copy = StartsWithPath(source, pass.sending_root);
    const std::string_view relative =
        copy ? std::string_view(source).substr(pass.sending_root.size()) : std::string_view();
    target.assign(pass.receiving_root).append(relative);

    FileStatus source_status;
    bool source_known = false;
    bool conflict = false;
    if (copy && job.archiv_bit) {
      // Only a file marked as changed since it was last archived is a candidate (where the file
      // system has no such mark, every regular file carries it); whatever is no longer a
      // regular file (gone, or replaced by a folder) is not a candidate.
      source_status = fs_.Stat(source);
      source_known = true;
      copy = source_status.exists && source_status.is_regular &&
             (kArchiveModeBit == 0 || (source_status.mode & kArchiveModeBit) != 0);
    }
    if (copy && job.mode != 0) {
      const FileStatus target_status = fs_.Stat(target);
      if (target_status.exists && !target_status.is_directory) {
        if (!source_known) source_status = fs_.Stat(source);
        const TimeOrder order = CompareTimes(pass, source_status, target_status);
        if (order == TimeOrder::kReceivingNewer) {
          copy = false;  // the receiving file is newer (or the sending one is gone)
        } else if (order == TimeOrder::kUnknown) {
          // Of equal size and without times to go by, only the checksum can tell a change.
          copy = job.mode == 1 && job.crc32 &&
                 pass.transfer->GetFileCRC32(target) != pass.transfer->GetFileCRC32(source);
        } else if (order == TimeOrder::kSame && job.dir_down && job.dir_up && job.mode != 0) {
          // Neither side is newer. Where both sides are worked on, files that differ all the
          // same were changed on both; which one is right only the user can tell.
          conflict = target_status.size != source_status.size ||
                     (job.mode == 1 && job.crc32 &&
                      pass.transfer->GetFileCRC32(target) != pass.transfer->GetFileCRC32(source));
          // Equal files: this mode replaces them as it always does at equal times, the other
          // leaves them.
          copy = !conflict && job.mode == 2;
        } else if (job.mode == 1) {
          // Files of different sizes differ whatever their times say: a copy cut short
          // by a crash can carry the source's time, and must not pass for equal for good.
          // Comparing sizes first also spares reading both files for their checksums.
          if (target_status.size != source_status.size) {
            copy = true;
          } else if (job.crc32) {
            copy = pass.transfer->GetFileCRC32(target) != pass.transfer->GetFileCRC32(source);
          } else {
            copy = order != TimeOrder::kSame;
          }
        }
      } else if (job.mode == 2) {
        copy = false;  // this mode only replaces files that exist
      }
    }

    if (conflict) {
      log_.WriteFileConflict(pass.sending_is_dir1 ? source : target);
      ++failed_files_;  // the two sides stay different until the user decides
      // Neither side is overwritten: the receiving file is not examined again the other way.
      RemoveTarget(pass, relative, total);
    }
    if (copy && !MayChange(pass, target)) {
      // Not copied, and like a failed copy neither copied back nor deleted.
      copy = false;
      RemoveTarget(pass, relative, total);
    }
    if (copy) {
      ++copies;
      progress_.SetLabel(
          ProgressLabel::kAction,
          Shortened(source, ProgressLabel::kAction, kActionSpare) + std::string(kCopying));
      progress_.ProcessEvents();
      if (!pass.transfer->SynchronizeFile(source, target)) {
        log_.WriteFileFailure(source);
        ++failed_files_;
      } else if (job.archiv_bit && kArchiveModeBit != 0) {
        // The archive mark says "changed since last copied": a file copied under the archive
        // criterion loses it, so that the next run copies only what changed since.
        fs_.SetPermissions(source, source_status.mode & ~kArchiveModeBit);
      }
      // Taken out of the receiving list also after a failed copy, so that the file
      // is neither copied back nor deleted.
      RemoveTarget(pass, relative, total);
    }
    progress_.SetBarValue(ProgressBar::kTotal, ++total);
    progress_.ProcessEvents();
    if (control_.CancelRequested()) {
      pass.cancelled = true;
      return;
    }
  }
}

void SynchronisationRun::RemoveTarget(Pass& pass, std::string_view relative, int64_t& total) {
  if (pass.targets == nullptr) return;
  const size_t found = pass.targets->Find(relative);
  if (found == PathIndex::kNotFound) return;
  pass.targets->Remove(found);
  progress_.SetBarValue(ProgressBar::kTotal, ++total);
}

bool SynchronisationRun::WalkTree(
    const std::string& root, bool sub_dirs,
    const std::function<bool(const std::string&, std::string_view, EntryType)>& visit) {
  std::vector<std::string> folders = {root};
  while (!folders.empty()) {
    const std::string folder = std::move(folders.back());
    folders.pop_back();
    std::unique_ptr<DirectoryStream> stream = fs_.OpenDirectory(folder);
    if (!stream) continue;
    std::string_view name;
    EntryType type = EntryType::kUnknown;
    while (stream->Next(name, type)) {
      if (type == EntryType::kUnknown) {
        const FileStatus status = fs_.LinkStatus(folder + std::string(name));
        type = status.is_link        ? EntryType::kLink
               : status.is_directory ? EntryType::kDirectory
                                     : EntryType::kRegular;
      }
      if (!visit(folder, name, type)) return false;
      // Links are not followed: what they lead to is not this job's tree.
      if (type == EntryType::kDirectory && sub_dirs && name.front() != '.') {
        folders.push_back(folder + std::string(name) + kPathSeparator);
      }
    }
    progress_.ProcessEvents();
  }
  return true;
}

bool SynchronisationRun::HoldsAnyFile(const std::string& root, bool sub_dirs) {
  const bool walked_through =
      WalkTree(root, sub_dirs, [](const std::string&, std::string_view name, EntryType type) {
        return type == EntryType::kDirectory || FileTransfer::IsTemporaryName(name);
      });
  return !walked_through;
}

void SynchronisationRun::RemoveLeftoverCopies(const Pass& pass, bool sub_dirs,
                                              FileTransfer& transfer) {
  guarded_folder_.clear();
  WalkTree(pass.receiving_root, sub_dirs,
           [&](const std::string& folder, std::string_view name, EntryType type) {
             const std::string path = folder + std::string(name);
             if (type == EntryType::kRegular && FileTransfer::IsTemporaryName(name) &&
                 MayChange(pass, path)) {
               // A copy still running (of another job) keeps its file locked; it stays.
               transfer.RemoveStaleTemporaryFile(path);
             }
             return true;
           });
}

SynchronisationRun::Located SynchronisationRun::Locate(const std::string& root) {
  // Walks up to the nearest folder that exists; what lies below it is still to be created.
  const auto split = [this](std::string path) {
    Located located;
    while (!IsRoot(path) && !fs_.Stat(path).exists) {
      const std::string parent = ParentFolder(path);
      if (parent.empty()) break;
      located.missing.insert(0, path, parent.size());
      path = parent;
    }
    located.existing = std::move(path);
    return located;
  };
  Located located = split(root);
  const std::string real = fs_.RealPath(located.existing);
  if (!real.empty()) located.existing = WithSeparator(real);
  if (located.missing.empty()) return located;
  // The folders still missing may name "." or ".."; split once more what they lead to.
  return split(Joined(located.existing, located.missing));
}

bool SynchronisationRun::Within(const Located& inner, const Located& outer) {
  if (StartsWithPath(inner.existing + inner.missing, outer.existing + outer.missing)) return true;
  // The same folder can be reachable under two real paths (a bind mount): look for the
  // outer root's existing folder among the inner root's folders and their parents.
  const FileStatus anchor = fs_.Stat(outer.existing);
  if (!anchor.exists) return false;
  std::string folder = inner.existing;
  std::string below = inner.missing;  // the inner root's path below `folder`
  for (;;) {
    const FileStatus status = fs_.Stat(folder);
    if (status.exists && status.device == anchor.device && status.inode == anchor.inode &&
        StartsWithPath(below, outer.missing)) {
      return true;
    }
    if (IsRoot(folder)) return false;
    const std::string parent = ParentFolder(folder);
    if (parent.empty()) return false;
    below.insert(0, folder, parent.size());
    folder = parent;
  }
}

bool SynchronisationRun::Overlapping(const std::string& root1, const std::string& root2) {
  const Located one = Locate(root1);
  const Located two = Locate(root2);
  return Within(one, two) || Within(two, one);
}

bool SynchronisationRun::SendingSideMayHold(const std::string& sending_root,
                                            std::string_view relative,
                                            const FileCollector& collector) {
  // A receiving file is deleted only when the sending side surely lacks it: not
  // when its counterpart exists but was not listed (too old for the age filter,
  // or written since), not when a folder it would lie in could not be read to its
  // end, and not when looking for it failed other than by its absence.
  const std::string counterpart = sending_root + std::string(relative);
  if (MayExist(fs_.LinkStatus(counterpart))) return true;
  for (const std::string& incomplete : collector.IncompleteFolders()) {
    if (StartsWithPath(counterpart, incomplete)) return true;
  }
  const std::string folder = ParentFolder(counterpart);
  if (folder == checked_folder_) return checked_folder_may_hold_;
  checked_folder_ = folder;
  checked_folder_may_hold_ = false;
  for (std::string nearest = folder; nearest.size() >= sending_root.size();
       nearest = ParentFolder(nearest)) {
    const FileStatus status = fs_.Stat(nearest);
    if (status.exists) {
      checked_folder_may_hold_ = status.is_directory && fs_.OpenDirectory(nearest) == nullptr;
      break;
    }
    if (MayExist(status)) {
      checked_folder_may_hold_ = true;
      break;
    }
    if (nearest.size() == sending_root.size()) break;
  }
  return checked_folder_may_hold_;
}

std::string SynchronisationRun::CheckAvailable(const std::string& root,
                                               const std::string& remembered_mount) {
  std::string existing = root;
  std::string first_missing;
  while (existing != "/" && !fs_.Stat(existing).exists) {
    const std::string parent = ParentFolder(existing);
    if (parent.empty()) break;
    first_missing = existing.substr(parent.size());
    existing = parent;
  }
  const std::string real = fs_.RealPath(existing);
  if (!real.empty()) existing = WithSeparator(real);
  const std::string mount_point = fs_.MountPointOf(existing);
  const std::string mount = mount_point.empty() ? std::string() : WithSeparator(mount_point);
  const auto refuse = [&] { Refusal(log_, root + std::string(kNotAvailable)); };
  // A folder in the mount folders is created only on a drive mounted there; otherwise it would
  // land on the system disk, and later hide under the drive once it is plugged in.
  if (!first_missing.empty() && InMountFolders(existing + first_missing, false) &&
      !InMountFolders(mount, true)) {
    refuse();
  }
  // The root now lies on a file system further up than after the last completed run: its
  // drive is gone, and what is left in its place is the folder it was mounted on.
  if (!mount.empty() && !remembered_mount.empty() && remembered_mount != mount &&
      StartsWithPath(remembered_mount, mount)) {
    refuse();
  }
  return mount;
}

SynchronisationRun::TimeKeeping SynchronisationRun::ProbeTimes(const std::string& root) {
  // The probe goes the way of a copy: a temporary file, given its time while open, closed and
  // renamed. Some file systems cut the time, some give a renamed file the moment of the rename.
  TimeKeeping keeping;
  std::string probe_path;
  std::string renamed_path;
  std::unique_ptr<File> probe =
      fs_.CreateTemporaryFile(root, FileTransfer::kTemporaryPrefix, &probe_path);
  if (!probe) return keeping;
  std::unique_ptr<File> place =
      fs_.CreateTemporaryFile(root, FileTransfer::kTemporaryPrefix, &renamed_path);
  if (!place) {
    probe->Close();
    fs_.RemoveFile(probe_path);
    return keeping;
  }
  place->Close();
  probe->SetTimes(kProbeTime, kProbeTime);
  probe->Close();
  if (fs_.Rename(probe_path, renamed_path) != 0) {
    fs_.RemoveFile(probe_path);
    fs_.RemoveFile(renamed_path);
    return keeping;
  }
  const auto distance = [this, &renamed_path] {
    const FileStatus status = fs_.Stat(renamed_path);
    if (!status.exists) return kCoarsestTimeNs;
    const int64_t difference = status.mtime_ns - kProbeTime;
    return difference < 0 ? -difference : difference;
  };
  int64_t off = distance();
  if (off >= kCoarsestTimeNs) {
    keeping.again_after_rename = fs_.SetTimes(renamed_path, kProbeTime, kProbeTime) == 0 &&
                                 (off = distance()) < kCoarsestTimeNs;
  }
  fs_.RemoveFile(renamed_path);
  if (off >= kCoarsestTimeNs) {
    keeping.kept = false;
    log_.WriteError(root + std::string(kTimesNotKept));
  } else if (off >= 1000 * kNanosPerMilli) {
    keeping.resolution_ms = 2000;
  } else if (off >= 10 * kNanosPerMilli) {
    keeping.resolution_ms = 1000;
  } else if (off >= kNanosPerMilli) {
    keeping.resolution_ms = 10;
  }
  return keeping;
}

SynchronisationRun::TimeOrder SynchronisationRun::CompareTimes(const Pass& pass,
                                                               const FileStatus& source,
                                                               const FileStatus& target) {
  const int64_t source_time = MillisecondsOf(source);
  const int64_t target_time = MillisecondsOf(target);
  if (source_time == kNoTime) return TimeOrder::kReceivingNewer;
  const int64_t difference = target_time - source_time;
  if (difference >= pass.resolution_ms) return TimeOrder::kReceivingNewer;
  if (difference > -pass.resolution_ms) return TimeOrder::kSame;
  // A sending file that bears only the moment it was written is not newer for that.
  if (pass.sending_timeless && source.size == target.size) return TimeOrder::kUnknown;
  return TimeOrder::kReceivingOlder;
}

void SynchronisationRun::DeleteSurplus(const std::string& entry) {
  const FileStatus status = fs_.LinkStatus(entry);
  if (!status.exists || status.is_directory) return;
  // Removing a name needs no write permission on the file itself here, so a read-only file goes
  // without its permissions being touched. A file that cannot go into the trash stays.
  const int error = options_.trash ? fs_.PutInTrash(entry, false, nullptr) : fs_.RemoveFile(entry);
  if (error != 0 && error != ENOENT) {  // a file gone meanwhile is as good as deleted
    log_.WriteError(entry + std::string(kNotDeleted));
    ++failed_files_;
  }
}

std::string SynchronisationRun::RealFolder(const std::string& folder) {
  const std::string real = fs_.RealPath(folder);
  return real.empty() ? folder : WithSeparator(real);
}

bool SynchronisationRun::MayChange(const Pass& pass, const std::string& path) {
  const std::string folder = ParentFolder(path);
  if (folder == guarded_folder_) return guarded_folder_allowed_;
  guarded_folder_ = folder;
  guarded_folder_allowed_ = true;
  // The folders still missing are created inside the nearest one that exists.
  std::string nearest = folder;
  FileStatus status = fs_.Stat(nearest);
  while (!status.exists && nearest.size() > pass.receiving_root.size()) {
    nearest = ParentFolder(nearest);
    status = fs_.Stat(nearest);
  }
  if (!status.exists) return true;  // the copy itself fails and says so

  // A folder that is also one of the sending side's (a bind mount): writing there would write
  // on the sending side, deleting there would delete the sending files themselves.
  const int walk = pass.collector->WalkOf(status.device, status.inode);
  if (walk == 0 || (walk == pass.sending_walk && nearest.size() > pass.receiving_root.size())) {
    guarded_folder_allowed_ = false;
    // A shared folder the walks found was reported by them.
    if (walk != 0 && reported_paths_.insert(nearest).second) {
      log_.WriteError(nearest.substr(0, nearest.size() - 1) + std::string(kLeadsIntoOther));
      ++failed_files_;
    }
    return false;
  }

  // A link that leads out of the receiving folder: what it leads to belongs to someone else.
  if (StartsWithPath(RealFolder(nearest), pass.receiving_real)) return true;
  guarded_folder_allowed_ = false;
  std::string link = nearest;  // the outermost folder below the root that leads out
  for (std::string up = ParentFolder(nearest); up.size() > pass.receiving_root.size();
       up = ParentFolder(up)) {
    if (StartsWithPath(RealFolder(up), pass.receiving_real)) break;
    link = up;
  }
  if (reported_paths_.insert(link).second) {
    log_.WriteError(link.substr(0, link.size() - 1) + std::string(kLeadsOut));
    ++failed_files_;
  }
  return false;
}

}  // namespace parvolind
