#include "engine/copy_pass.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/run_paths.h"
#include "engine/time_keeping.h"
#include "platform/path_rules.h"

namespace parvolind {
namespace {

constexpr std::string_view kActionCompare = "Daten werden verglichen...";
constexpr std::string_view kCopying = " wird kopiert...";
// Copies made ready side by side at a time: enough to keep the cores busy between two waits,
// few enough that little is made ready in vain when the run is cancelled.
constexpr size_t kBatchSize = 64;

// Takes the receiving file out of the receiving list: it is neither copied back nor deleted.
void RemoveTarget(RunContext& run, CopyPass& pass, std::string_view relative, int64_t& total) {
  if (pass.targets == nullptr) return;
  const size_t found = pass.targets->Find(relative);
  if (found == PathIndex::kNotFound) return;
  pass.targets->Remove(found);
  run.progress.SetBarValue(ProgressBar::kTotal, ++total);
}

// What a sending and a receiving file's statuses decide under the job's criterion.
struct Verdict {
  bool copy = false;
  bool conflict = false;
};

// `checksums_differ` is asked only where the statuses leave the question open.
template <typename ChecksumsDiffer>
Verdict Compare(const SyncJob& job, const CopyPass& pass, const FileStatus& source_status,
                const FileStatus& target_status, ChecksumsDiffer checksums_differ) {
  Verdict verdict;
  verdict.copy = true;
  const TimeOrder order =
      CompareTimes(pass.resolution_ms, pass.sending_timeless, source_status, target_status);
  if (order == TimeOrder::kReceivingNewer) {
    verdict.copy = false;  // the receiving file is newer (or the sending one is gone)
  } else if (order == TimeOrder::kUnknown) {
    // Of equal size and without times to go by, only the checksum can tell a change.
    verdict.copy = job.mode == 1 && job.crc32 && checksums_differ();
  } else if (order == TimeOrder::kSame && job.dir_down && job.dir_up) {
    // Neither side is newer. Where both sides are worked on, files that differ all the
    // same were changed on both; which one is right only the user can tell.
    verdict.conflict = target_status.size != source_status.size ||
                       (job.mode == 1 && job.crc32 && checksums_differ());
    // Equal files: this mode replaces them as it always does at equal times, the other
    // leaves them.
    verdict.copy = !verdict.conflict && job.mode == 2;
  } else if (job.mode == 1) {
    // Files of different sizes differ whatever their times say: a copy cut short
    // by a crash can carry the source's time, and must not pass for equal for good.
    // Comparing sizes first also spares reading both files for their checksums.
    if (target_status.size != source_status.size) {
      verdict.copy = true;
    } else if (job.crc32) {
      verdict.copy = checksums_differ();
    } else {
      verdict.copy = order != TimeOrder::kSame;
    }
  }
  return verdict;
}

// What the walk saw of the receiving file, where that still holds (see FileList::ListedStatus).
bool ListedTarget(const CopyPass& pass, std::string_view relative, FileStatus& status) {
  if (pass.targets == nullptr || !pass.statuses_hold) return false;
  const size_t found = pass.targets->Find(relative);
  return found != PathIndex::kNotFound && pass.targets->Paths().ListedStatus(found, status);
}

// The copies of new files that follow one another in a folder the pass already writes in are
// made ready side by side, then finished one by one in their turn: every decision, bar value,
// log line and look at the cancel request comes as if each were copied alone.
class NewCopies {
 public:
  NewCopies(RunContext& run, const CopyPass& pass)
      : pass_(pass),
        // Only where a missing target is all a copy is decided by; the archive criterion changes
        // the sources, a preview and a list of actions copy nothing. Which targets are new the
        // receiving side's list tells where there is one, so that nothing is made ready for
        // files already there; without one each target is looked at first.
        on_(!run.preview && run.actions == nullptr && !pass.job->archiv_bit &&
            pass.job->mode != 2 && pass.transfer->PreparesNewCopies()) {}

  /// The copy made ready for the source at `position` (onto `target`); null where there is none.
  FileTransfer::PreparedCopy* For(size_t position, const std::string& target) {
    if (!on_) return nullptr;
    if (position >= end_) Prepare(position, target);
    if (position < first_ || position >= first_ + batch_.size()) return nullptr;
    FileTransfer::PreparedCopy& prepared = batch_.Take(position - first_);
    return prepared.Made() ? &prepared : nullptr;
  }

  /// A copy into `target`'s folder was allowed and made: copies into it may now be made ready.
  void Allowed(const std::string& target) {
    if (on_ && !InFolder(target)) folder_ = ParentFolder(target);
  }

 private:
  bool InFolder(const std::string& target) const {
    return !folder_.empty() && target.size() > folder_.size() &&
           target.compare(0, folder_.size(), folder_) == 0 &&
           target.find(kPathSeparator, folder_.size()) == std::string::npos;
  }

  void Prepare(size_t position, const std::string& target) {
    batch_ = FileTransfer::PreparedBatch();
    first_ = position;
    end_ = position + 1;
    if (!InFolder(target) || !pass_.transfer->PreparesNewCopies()) return;
    std::vector<std::string> sources;
    std::vector<std::string> targets;
    std::vector<bool> listed;
    size_t new_ones = 0;
    const FileList& list = *pass_.sources;
    for (size_t next = position; next < list.size() && sources.size() < kBatchSize; ++next) {
      if (pass_.skip != nullptr && pass_.skip->IsRemoved(next)) break;
      std::string source(list.FolderOf(next));
      source.append(list.NameOf(next));
      if (!StartsWithPath(source, pass_.sending_root)) break;
      const std::string_view relative = std::string_view(source).substr(pass_.sending_root.size());
      std::string next_target = pass_.receiving.root;
      next_target.append(relative);
      if (!InFolder(next_target)) break;
      listed.push_back(pass_.targets != nullptr &&
                       pass_.targets->Find(relative) != PathIndex::kNotFound);
      sources.push_back(std::move(source));
      targets.push_back(std::move(next_target));
      if (!listed.back()) ++new_ones;
    }
    end_ = position + std::max<size_t>(sources.size(), 1);
    if (new_ones > 1) {
      batch_ = pass_.transfer->PrepareNewCopies(sources, targets, listed, pass_.targets == nullptr);
    }
  }

  const CopyPass& pass_;
  const bool on_;
  std::string folder_;  // where the last copy allowed went, ending in the separator
  size_t first_ = 0;    // the position of batch_'s first copy
  size_t end_ = 0;      // the first position not yet looked at for a batch
  FileTransfer::PreparedBatch batch_;
};

}  // namespace

void RunCopyPass(RunContext& run, CopyPass& pass, int64_t& copies, int64_t& total) {
  const SyncJob& job = *pass.job;
  const FileList& sources = *pass.sources;
  std::string source;
  std::string target;
  NewCopies new_copies(run, pass);
  for (size_t position = 0; position < sources.size(); ++position) {
    if (pass.skip != nullptr && pass.skip->IsRemoved(position)) continue;
    source.assign(sources.FolderOf(position)).append(sources.NameOf(position));
    run.progress.SetLabel(ProgressLabel::kAction, kActionCompare);
    run.progress.ProcessEvents();

    bool copy = StartsWithPath(source, pass.sending_root);
    const std::string_view relative =
        copy ? std::string_view(source).substr(pass.sending_root.size()) : std::string_view();
    target.assign(pass.receiving.root).append(relative);
    FileTransfer::PreparedCopy* prepared = copy ? new_copies.For(position, target) : nullptr;

    FileStatus source_status;
    bool source_known = false;
    FileStatus target_status;
    bool target_known = false;
    bool conflict = false;
    if (copy && job.archiv_bit) {
      // Only a file marked as changed since it was last archived is a candidate (where the file
      // system has no such mark, every regular file carries it); whatever is no longer a
      // regular file (gone, or replaced by a folder) is not a candidate.
      source_status = run.fs.Stat(source);
      source_known = true;
      copy = source_status.exists && source_status.is_regular &&
             (kArchiveModeBit == 0 || (source_status.mode & kArchiveModeBit) != 0);
    }
    if (prepared != nullptr) {
      // One look that does not follow a link: where nothing at all is there the copy made
      // ready is finished, otherwise it goes and the file is copied in its turn. A file or a
      // folder looks the same either way; a link is looked through below, as always.
      const FileStatus there = run.fs.LinkStatus(target);
      if (there.exists) prepared = nullptr;
      if (!there.is_link && job.mode != 0) {
        target_status = there;
        target_known = true;
      }
    }
    FileStatus listed_target;
    const bool target_listed = ListedTarget(pass, relative, listed_target);
    if (copy && job.mode != 0) {
      // Where what the walk saw of both files still holds and leaves nothing to copy, nothing
      // to report and no checksum to read, the files are not looked at again. Anything else is
      // decided on a fresh look at both.
      bool settled = false;
      FileStatus listed_source;
      if (target_listed && !job.archiv_bit && sources.ListedStatus(position, listed_source)) {
        bool checksums_needed = false;
        const Verdict verdict = Compare(job, pass, listed_source, listed_target, [&] {
          checksums_needed = true;
          return false;
        });
        settled = !verdict.copy && !verdict.conflict && !checksums_needed;
        if (settled) copy = false;
      }
      if (!settled) {
        if (!target_known) target_status = run.fs.Stat(target);
        target_known = true;
        if (target_status.exists && !target_status.is_directory) {
          if (!source_known) source_status = run.fs.Stat(source);
          source_known = true;
          const Verdict verdict = Compare(job, pass, source_status, target_status, [&] {
            return pass.transfer->GetFileCRC32(target) != pass.transfer->GetFileCRC32(source);
          });
          copy = verdict.copy;
          conflict = verdict.conflict;
        } else if (job.mode == 2) {
          copy = false;  // this mode only replaces files that exist
        }
      }
    }

    if (conflict) {
      ReportAction(run, RunActionKind::kConflict, source, target);
      run.log.WriteFileConflict(pass.sending_is_dir1 ? source : target);
      ++run.failed_files;  // the two sides stay different until the user decides
      // Neither side is overwritten: the receiving file is not examined again the other way.
      RemoveTarget(run, pass, relative, total);
    }
    if (copy && !run.guard.MayChange(pass.receiving, target)) {
      // Not copied, and like a failed copy neither copied back nor deleted.
      copy = false;
      RemoveTarget(run, pass, relative, total);
    }
    if (copy) {
      ++copies;
      // A copy onto a path the receiving list does not show as a file of its own can change
      // what the walk saw of another listed file (one reached through a link, say).
      if (!target_listed) pass.statuses_hold = false;
      // A sending file that cannot be read is a copy that would fail: the preview says so
      // where the run would. The look at the open file also gives its size.
      bool readable = true;
      if (run.preview) {
        FileStatus opened;
        readable = run.fs.OpenForReading(source, nullptr, &opened) != nullptr;
        if (readable && !source_known) {
          source_status = opened;
          source_known = true;
        }
      }
      if (run.actions != nullptr) {
        if (!source_known) source_status = run.fs.Stat(source);
        if (!target_known) target_status = run.fs.Stat(target);
        ReportAction(run, target_status.exists ? RunActionKind::kReplace : RunActionKind::kCopy,
                     source, target, source_status.size);
      }
      if (run.preview) {
        if (!readable) {
          run.log.WriteFileFailure(source);
          ++run.failed_files;
        }
      } else {
        run.progress.SetPathLabel(ProgressLabel::kAction, source, kActionSpare, kCopying);
        run.progress.ProcessEvents();
        new_copies.Allowed(target);
        const bool copied = prepared != nullptr ? pass.transfer->FinishCopy(*prepared)
                                                : pass.transfer->SynchronizeFile(source, target);
        if (!copied) {
          run.log.WriteFileFailure(source);
          ++run.failed_files;
        } else if (job.archiv_bit && kArchiveModeBit != 0) {
          // The archive mark says "changed since last copied": a file copied under the archive
          // criterion loses it, so that the next run copies only what changed since.
          run.fs.SetPermissions(source, source_status.mode & ~kArchiveModeBit);
        }
      }
      // Taken out of the receiving list also after a failed copy, so that the file is neither
      // copied back nor deleted; and so in a preview, which decides the second pass and the
      // delete pass as they would be decided after the copy.
      RemoveTarget(run, pass, relative, total);
    }
    run.progress.SetBarValue(ProgressBar::kTotal, ++total);
    run.progress.ProcessEvents();
    if (run.control.CancelRequested()) {
      pass.cancelled = true;
      return;
    }
  }
}

}  // namespace parvolind
