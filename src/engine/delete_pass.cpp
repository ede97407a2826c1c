#include "engine/delete_pass.h"

#include <cerrno>
#include <string_view>

#include "engine/empty_source_guard.h"

namespace parvolind {
namespace {

constexpr std::string_view kDeleting = " wird gelöscht...";
constexpr std::string_view kNotDeleted = " konnte nicht gelöscht werden.";

void DeleteSurplus(RunContext& run, const std::string& entry) {
  const FileStatus status = run.fs.LinkStatus(entry);
  if (!status.exists || status.is_directory) return;
  ReportAction(run, RunActionKind::kDelete, std::string(), entry);
  if (run.preview) return;
  // Removing a name needs no write permission on the file itself here, so a read-only file goes
  // without its permissions being touched. A file that cannot go into the trash stays.
  const int error =
      run.options.trash ? run.fs.PutInTrash(entry, false, nullptr) : run.fs.RemoveFile(entry);
  if (error != 0 && error != ENOENT) {  // a file gone meanwhile is as good as deleted
    run.log.WriteError(entry + std::string(kNotDeleted));
    ++run.failed_files;
  }
}

}  // namespace

void RunDeletePass(RunContext& run, const DeletePass& pass, int64_t& total) {
  const std::string& sending_root = pass.sending_root;
  const std::string& receiving_root = pass.receiving.root;
  const FileList& targets = *pass.targets;
  const PathIndex& target_index = *pass.target_index;
  if (SendingSideEmpty(run.fs, run.progress, run.log, sending_root, pass.sources->empty(),
                       pass.sending_was_missing, pass.sub_dirs)) {
    total += static_cast<int64_t>(target_index.RemainingCount());
    run.progress.SetBarValue(ProgressBar::kTotal, total);
    run.progress.ProcessEvents();
    return;
  }
  const PathIndex source_index(*pass.sources, sending_root.size());
  SendingSideCheck sending_side(run.fs, sending_root, *pass.collector);
  run.guard.Forget();
  // The delete pass runs to its end; a cancel pressed meanwhile ends the run
  // afterwards.
  for (size_t position = 0; position < targets.size(); ++position) {
    if (target_index.IsRemoved(position)) continue;
    const std::string entry = targets.Path(position);
    const std::string_view relative = std::string_view(entry).substr(receiving_root.size());
    if (source_index.Find(relative) == PathIndex::kNotFound && !sending_side.MayHold(relative) &&
        run.guard.MayChange(pass.receiving, entry)) {
      if (!run.preview) {
        run.progress.SetPathLabel(ProgressLabel::kAction, entry, kActionSpare, kDeleting);
        run.progress.ProcessEvents();
      }
      DeleteSurplus(run, entry);
    }
    run.progress.SetBarValue(ProgressBar::kTotal, ++total);
    run.progress.ProcessEvents();
  }
}

}  // namespace parvolind
