#include "engine/synchronisation_run.h"

#include <climits>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "engine/file_collector.h"
#include "engine/file_transfer.h"
#include "engine/fit_path.h"
#include "engine/path_index.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

constexpr std::string_view kAlreadyRunning = "Auftrag wird bereits durchgeführt.";
constexpr std::string_view kLockFailed = "Auftrag kann nicht gesperrt werden.";
constexpr std::string_view kRootsOverlap = "Verzeichnis 1 und Verzeichnis 2 überschneiden sich.";
constexpr std::string_view kActionPrepare = "Synchronisation wird vorbereitet...";
constexpr std::string_view kActionCompare = "Daten werden verglichen...";
constexpr std::string_view kCopying = " wird kopiert...";
constexpr std::string_view kDeleting = " wird gelöscht...";
// The action label's paths leave this many pixels for the text behind them.
constexpr int kActionSpare = 100;

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
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

// The folder part of a path ending in '/': "/a/b/" for "/a/b/c" and for "/a/b/c/".
std::string ParentFolder(const std::string& path) {
  std::string folder = path;
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

bool StartsWithPath(std::string_view path, std::string_view prefix) {
  return path.size() >= prefix.size() && SameFileName(path.substr(0, prefix.size()), prefix);
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
  bool cancelled = false;
};

SynchronisationRun::SynchronisationRun(RegistryHive& hive, FileSystem& fs, RunHost& host,
                                       LogWriter& log, const Clock& clock, const Locale& locale,
                                       JobDateFunction job_date, RunLocks& locks)
    : hive_(hive),
      fs_(fs),
      host_(host),
      log_(log),
      clock_(clock),
      locale_(locale),
      job_date_(std::move(job_date)),
      locks_(locks) {}

std::string SynchronisationRun::Shortened(std::string_view path, ProgressLabel label,
                                          int spare) const {
  return FitPathToWidth(
      path, host_.LabelWidth(label) - spare,
      [this, label](std::string_view text) { return host_.TextWidth(label, text); });
}

void SynchronisationRun::WriteNextSync(RegistryKey& key, const std::string& job_name) {
  key.WriteDateTime("NextSync", job_date_(job_name));
}

RunResult SynchronisationRun::Refuse(const std::string& job_name, std::string_view reason) {
  // A refused run leaves the run in progress alone: its flags, panel and icon are
  // not touched. It still frames its log lines as a failed run.
  RunResult result;
  result.outcome = RunOutcome::kFailed;
  result.failure_reason = std::string(reason);
  log_.WriteRunStart(job_name);
  log_.WriteError(reason);
  host_.ShowFailureMessage(kRunFailedMessage);
  try {
    RegistryKey key(hive_);
    if (key.OpenForWriting(std::string(kJobsKeyPrefix) + job_name, false)) {
      WriteNextSync(key, job_name);
    }
  } catch (const std::exception&) {
    // The next moment stays as it was; the refusal itself is what counts.
  }
  log_.WriteRunCancelled();
  result.log_error = log_.TakeFirstError();
  return result;
}

RunResult SynchronisationRun::ExecuteSynchronisation(const std::string& job_name) {
  // Errors of lines written before this run are not this run's to report.
  log_.TakeFirstError();
  if (host_.RunInProgress()) return Refuse(job_name, kAlreadyRunning);
  std::unique_ptr<RunLock> lock;
  switch (locks_.TryLock(job_name, &lock)) {
    case RunLockStatus::kAcquired:
      break;
    case RunLockStatus::kHeldElsewhere:
      return Refuse(job_name, kAlreadyRunning);
    case RunLockStatus::kFailed:
      return Refuse(job_name, kLockFailed);
  }

  previous_run_died_ = lock->TakenOver();

  RunResult result;
  host_.SetRunInProgress(true);
  const bool animated = host_.AnimatedIcon();
  if (animated) host_.SetIconAnimation(true);
  const uint32_t start_tick = clock_.TickCount();
  int64_t copies = 0;
  // A log line that cannot be written never stops the run; the first such error
  // is handed to the caller at the end.
  log_.WriteRunStart(job_name);

  RegistryKey key(hive_);
  try {
    key.OpenForWriting(std::string(kJobsKeyPrefix) + job_name, false);
    Work(job_name, key, copies);
    WriteNextSync(key, job_name);
    if (host_.CancelRequested()) {
      log_.WriteRunCancelled();
      host_.SetCancelRequested(false);
      result.outcome = RunOutcome::kCancelled;
    } else {
      const uint32_t elapsed = clock_.TickCount() - start_tick;
      // `Execution` goes first, so that a store error cannot follow a completed
      // run end with a second, failed one.
      key.WriteString("Execution", JobStore::FormatRunTime(clock_.Now(), locale_));
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
    host_.ShowFailureMessage(kRunFailedMessage);
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
    host_.SetCancelRequested(false);
    key.Close();
  }
  result.files = copies;
  host_.SetRunInProgress(false);
  if (animated || host_.AnimatedIcon()) host_.SetIconAnimation(false);
  host_.ShowProgressPanel(false);
  result.log_error = log_.TakeFirstError();
  return result;
}

void SynchronisationRun::Work(const std::string& job_name, RegistryKey& key, int64_t& copies) {
  if (!key.IsOpen()) {
    throw std::runtime_error("Der Auftrag '" + job_name + "' ist nicht vorhanden.");
  }
  Job job;
  job.dir1 = key.ReadString("Dir1");
  job.dir2 = key.ReadString("Dir2");
  if (job.dir1.empty()) throw std::runtime_error("Verzeichnis 1 ist nicht angegeben.");
  if (job.dir2.empty()) throw std::runtime_error("Verzeichnis 2 ist nicht angegeben.");
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

  host_.SetLabel(ProgressLabel::kJob, job_name);
  host_.SetLabel(ProgressLabel::kDir1, Shortened(job.dir1, ProgressLabel::kDir1, 0));
  host_.SetLabel(ProgressLabel::kDir2, Shortened(job.dir2, ProgressLabel::kDir2, 0));
  host_.SetLabel(ProgressLabel::kAction, kActionPrepare);
  host_.SetBarValue(ProgressBar::kActual, host_.BarMinimum(ProgressBar::kActual));
  host_.SetBarValue(ProgressBar::kTotal, host_.BarMinimum(ProgressBar::kTotal));
  host_.SetCancelRequested(false);
  host_.ProcessEvents();
  host_.ShowProgressPanel(true);

  if (!job.dir_down && !job.dir_up) return;
  const bool both = job.dir_down && job.dir_up;
  const bool up_only = job.dir_up && !job.dir_down;
  const std::string& sending_root = up_only ? job.dir2 : job.dir1;
  const std::string& receiving_root = up_only ? job.dir1 : job.dir2;

  // Missing roots are created, the sending one too; a sending root that was not
  // there, like one without files, must never empty the receiving side.
  const bool sending_was_missing = !fs_.Stat(sending_root).is_directory;
  fs_.CreateDirectoryPath(sending_root);
  fs_.CreateDirectoryPath(receiving_root);
  // Copying a tree into itself or into its own subtree would overwrite, delete or
  // multiply files without end.
  if (Overlapping(job.dir1, job.dir2)) {
    log_.WriteError(kRootsOverlap);
    throw std::runtime_error(std::string(kRootsOverlap));
  }

  FileTransfer transfer(fs_, host_);
  FileCollector collector(fs_, host_, clock_, transfer);
  collector.Reset();
  FileList sources;
  collector.GetSyncFiles(sending_root, job.filter, sources, job.sub_dirs, job.filter_type,
                         job.days);
  const bool has_targets = both || job.del_others;
  FileList targets;
  if (has_targets) {
    collector.GetSyncFiles(receiving_root, job.filter, targets, job.sub_dirs, job.filter_type,
                           job.days);
  }
  host_.SetBarRange(ProgressBar::kTotal, host_.BarMinimum(ProgressBar::kTotal),
                    static_cast<int64_t>(sources.size() + targets.size()));
  host_.ProcessEvents();
  if (host_.CancelRequested()) return;
  collector.RemoveStaleTemporaryFiles();
  if (previous_run_died_) {
    // The last run of this job was killed and may have left unfinished copies on
    // its receiving side, also where this run lists nothing, and also fresh ones.
    RemoveLeftoverCopies(receiving_root, job.sub_dirs, transfer);
    if (both) RemoveLeftoverCopies(sending_root, job.sub_dirs, transfer);
  }

  int64_t total = host_.BarValue(ProgressBar::kTotal);
  std::optional<PathIndex> target_index;
  if (has_targets) target_index.emplace(targets, receiving_root.size());

  Pass first;
  first.sending_root = sending_root;
  first.receiving_root = receiving_root;
  first.sources = &sources;
  first.targets = target_index ? &*target_index : nullptr;
  first.job = &job;
  first.transfer = &transfer;
  CopyPass(first, copies, total);
  if (first.cancelled) return;

  if (both) {
    if (target_index->RemainingCount() == 0) return;
    // The second pass works on the receiving files the first pass did not
    // overwrite, in their order, copying them the other way.
    Pass second;
    second.sending_root = receiving_root;
    second.receiving_root = sending_root;
    second.sources = &targets;
    second.skip = &*target_index;
    second.job = &job;
    second.transfer = &transfer;
    FileList().swap(sources);
    CopyPass(second, copies, total);
    return;
  }

  if (!job.del_others || target_index->RemainingCount() == 0) return;
  if (sources.empty() || sending_was_missing) {
    log_.WriteError(sending_root + " ist leer oder fehlt; es wurde nichts gelöscht.");
    total += static_cast<int64_t>(target_index->RemainingCount());
    host_.SetBarValue(ProgressBar::kTotal, total);
    host_.ProcessEvents();
    return;
  }
  const PathIndex source_index(sources, sending_root.size());
  checked_folder_.clear();
  // The delete pass runs to its end; a cancel pressed meanwhile ends the run
  // afterwards.
  for (size_t position = 0; position < targets.size(); ++position) {
    if (target_index->IsRemoved(position)) continue;
    const std::string& entry = targets[position];
    const std::string_view relative = std::string_view(entry).substr(receiving_root.size());
    if (source_index.Find(relative) == PathIndex::kNotFound &&
        !SendingSideMayHold(sending_root, relative)) {
      host_.SetLabel(
          ProgressLabel::kAction,
          Shortened(entry, ProgressLabel::kAction, kActionSpare) + std::string(kDeleting));
      host_.ProcessEvents();
      // Removing a name needs no write permission on the file itself here, so a
      // read-only file goes without its permissions being touched.
      const FileStatus status = fs_.LinkStatus(entry);
      if (status.exists && !status.is_directory) fs_.RemoveFile(entry);
    }
    host_.SetBarValue(ProgressBar::kTotal, ++total);
    host_.ProcessEvents();
  }
}

void SynchronisationRun::CopyPass(Pass& pass, int64_t& copies, int64_t& total) {
  const Job& job = *pass.job;
  const FileList& sources = *pass.sources;
  std::string target;
  for (size_t position = 0; position < sources.size(); ++position) {
    if (pass.skip != nullptr && pass.skip->IsRemoved(position)) continue;
    const std::string& source = sources[position];
    host_.SetLabel(ProgressLabel::kAction, kActionCompare);
    host_.ProcessEvents();

    bool copy = StartsWithPath(source, pass.sending_root);
    const std::string_view relative =
        copy ? std::string_view(source).substr(pass.sending_root.size()) : std::string_view();
    target.assign(pass.receiving_root).append(relative);

    FileStatus source_status;
    bool source_known = false;
    if (copy && job.archiv_bit) {
      // Every regular file carries the archive mark here; whatever is no longer a
      // regular file (gone, or replaced by a folder) is not a candidate.
      source_status = fs_.Stat(source);
      source_known = true;
      copy = source_status.exists && source_status.is_regular;
    }
    if (copy && job.mode != 0) {
      const FileStatus target_status = fs_.Stat(target);
      if (target_status.exists && !target_status.is_directory) {
        if (!source_known) source_status = fs_.Stat(source);
        const int64_t source_time = MillisecondsOf(source_status);
        const int64_t target_time = MillisecondsOf(target_status);
        if (target_time > source_time) {
          copy = false;  // the receiving file is newer (or the sending one is gone)
        } else if (job.mode == 1) {
          // Files of different sizes differ whatever their times say: a copy cut short
          // by a crash can carry the source's time, and must not pass for equal for good.
          // Comparing sizes first also spares reading both files for their checksums.
          if (target_status.size != source_status.size) {
            copy = true;
          } else if (job.crc32) {
            copy = pass.transfer->GetFileCRC32(target) != pass.transfer->GetFileCRC32(source);
          } else {
            copy = target_time != source_time;
          }
        }
      } else if (job.mode == 2) {
        copy = false;  // this mode only replaces files that exist
      }
    }

    if (copy) {
      ++copies;
      host_.SetLabel(
          ProgressLabel::kAction,
          Shortened(source, ProgressLabel::kAction, kActionSpare) + std::string(kCopying));
      host_.ProcessEvents();
      if (!pass.transfer->SynchronizeFile(source, target)) log_.WriteFileFailure(source);
      // Taken out of the receiving list also after a failed copy, so that the file
      // is neither copied back nor deleted.
      if (pass.targets != nullptr) {
        const size_t found = pass.targets->Find(relative);
        if (found != PathIndex::kNotFound) {
          pass.targets->Remove(found);
          host_.SetBarValue(ProgressBar::kTotal, ++total);
        }
      }
    }
    host_.SetBarValue(ProgressBar::kTotal, ++total);
    host_.ProcessEvents();
    if (host_.CancelRequested()) {
      pass.cancelled = true;
      return;
    }
  }
}

void SynchronisationRun::RemoveLeftoverCopies(const std::string& root, bool sub_dirs,
                                              FileTransfer& transfer) {
  std::vector<std::string> folders = {root};
  while (!folders.empty()) {
    const std::string folder = std::move(folders.back());
    folders.pop_back();
    std::unique_ptr<DirectoryStream> stream = fs_.OpenDirectory(folder);
    if (!stream) continue;
    std::string_view name;
    EntryType type = EntryType::kUnknown;
    while (stream->Next(name, type)) {
      const std::string path = folder + std::string(name);
      if (type == EntryType::kUnknown) {
        const FileStatus status = fs_.LinkStatus(path);
        type = status.is_link        ? EntryType::kLink
               : status.is_directory ? EntryType::kDirectory
                                     : EntryType::kRegular;
      }
      // Links are not followed: what they lead to is not this job's tree.
      if (type == EntryType::kDirectory) {
        if (sub_dirs && name.front() != '.') folders.push_back(path + "/");
      } else if (type == EntryType::kRegular && FileTransfer::IsTemporaryName(name)) {
        // A copy still running (of another job) keeps its file locked; it stays.
        transfer.RemoveStaleTemporaryFile(path);
      }
    }
    host_.ProcessEvents();
  }
}

bool SynchronisationRun::Overlapping(const std::string& root1, const std::string& root2) {
  const std::string real1 = fs_.RealPath(root1);
  const std::string real2 = fs_.RealPath(root2);
  if (real1.empty() || real2.empty()) return false;
  const std::string folder1 = WithSeparator(real1);
  const std::string folder2 = WithSeparator(real2);
  if (StartsWithPath(folder1, folder2) || StartsWithPath(folder2, folder1)) return true;
  // The same folder can be reachable under two real paths (a bind mount): look
  // for the other root among each root's folders and their parents.
  const FileStatus status1 = fs_.Stat(folder1);
  const FileStatus status2 = fs_.Stat(folder2);
  if (!status1.exists || !status2.exists) return false;
  const auto leads_into = [this](std::string folder, const FileStatus& other) {
    while (!folder.empty()) {
      const FileStatus status = fs_.Stat(folder);
      if (status.exists && status.device == other.device && status.inode == other.inode) {
        return true;
      }
      if (folder == "/") break;
      folder = ParentFolder(folder);
    }
    return false;
  };
  return leads_into(folder1, status2) || leads_into(folder2, status1);
}

bool SynchronisationRun::SendingSideMayHold(const std::string& sending_root,
                                            std::string_view relative) {
  // A receiving file is deleted only when the sending side surely lacks it: not
  // when its counterpart exists but was not listed (too old for the age filter,
  // or written since), and not when the folder it would lie in cannot be read.
  const std::string counterpart = sending_root + std::string(relative);
  if (fs_.LinkStatus(counterpart).exists) return true;
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
    if (nearest.size() == sending_root.size()) break;
  }
  return checked_folder_may_hold_;
}

}  // namespace parvolind
