#include "engine/empty_source_guard.h"

#include "engine/file_transfer.h"
#include "engine/run_paths.h"
#include "engine/tree_walk.h"

namespace parvolind {
namespace {

// Whether `root` holds a file other than a temporary one of a copy.
bool HoldsAnyFile(FileSystem& fs, ProgressSink& progress, const std::string& root, bool sub_dirs) {
  const bool walked_through = WalkTree(
      fs, progress, root, sub_dirs, [](const std::string&, std::string_view name, EntryType type) {
        return type == EntryType::kDirectory || FileTransfer::IsTemporaryName(name);
      });
  return !walked_through;
}

}  // namespace

bool SendingSideEmpty(FileSystem& fs, ProgressSink& progress, LogWriter& log,
                      const std::string& sending_root, bool sources_empty, bool sending_was_missing,
                      bool sub_dirs) {
  if (!sources_empty && !sending_was_missing) return false;
  // Telling a folder without files from one whose files the filters all leave out points
  // the user to the filter rather than to the folder.
  if (!sending_was_missing && HoldsAnyFile(fs, progress, sending_root, sub_dirs)) {
    log.WriteError(sending_root + " enthält keine passenden Dateien; es wurde nichts gelöscht.");
  } else {
    log.WriteError(sending_root + " ist leer oder fehlt; es wurde nichts gelöscht.");
  }
  return true;
}

SendingSideCheck::SendingSideCheck(FileSystem& fs, const std::string& sending_root,
                                   const FileCollector& collector)
    : fs_(fs), sending_root_(sending_root), collector_(collector) {}

bool SendingSideCheck::MayHold(std::string_view relative) {
  // A receiving file is deleted only when the sending side surely lacks it: not
  // when its counterpart exists but was not listed (too old for the age filter,
  // or written since), not when a folder it would lie in could not be read to its
  // end, and not when looking for it failed other than by its absence.
  const std::string counterpart = sending_root_ + std::string(relative);
  if (MayExist(fs_.LinkStatus(counterpart))) return true;
  for (const std::string& incomplete : collector_.IncompleteFolders()) {
    if (StartsWithPath(counterpart, incomplete)) return true;
  }
  const std::string folder = ParentFolder(counterpart);
  if (folder == checked_folder_) return checked_folder_may_hold_;
  checked_folder_ = folder;
  checked_folder_may_hold_ = false;
  for (std::string nearest = folder; nearest.size() >= sending_root_.size();
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
    if (nearest.size() == sending_root_.size()) break;
  }
  return checked_folder_may_hold_;
}

}  // namespace parvolind
