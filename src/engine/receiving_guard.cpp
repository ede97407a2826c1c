#include "engine/receiving_guard.h"

#include <string_view>

#include "engine/run_paths.h"

namespace parvolind {
namespace {

constexpr std::string_view kLeadsOut =
    " führt aus dem Verzeichnis des Auftrags hinaus und wurde übergangen.";
constexpr std::string_view kLeadsIntoOther =
    " führt in das andere Verzeichnis des Auftrags und wurde übergangen.";

}  // namespace

ReceivingGuard::ReceivingGuard(FileSystem& fs, LogWriter& log, int64_t& failures)
    : fs_(fs), log_(log), failures_(failures) {}

bool ReceivingGuard::MayChange(const ReceivingSide& side, const std::string& path) {
  const std::string folder = ParentFolder(path);
  if (folder == guarded_folder_) return guarded_folder_allowed_;
  guarded_folder_ = folder;
  guarded_folder_allowed_ = true;
  // The folders still missing are created inside the nearest one that exists.
  std::string nearest = folder;
  FileStatus status = fs_.Stat(nearest);
  while (!status.exists && nearest.size() > side.root.size()) {
    nearest = ParentFolder(nearest);
    status = fs_.Stat(nearest);
  }
  if (!status.exists) return true;  // the copy itself fails and says so

  // A folder that is also one of the sending side's (a bind mount): writing there would write
  // on the sending side, deleting there would delete the sending files themselves.
  const int walk = side.collector->WalkOf(status.device, status.inode);
  if (walk == 0 || (walk == side.sending_walk && nearest.size() > side.root.size())) {
    guarded_folder_allowed_ = false;
    // A shared folder the walks found was reported by them.
    if (walk != 0 && reported_paths_.insert(nearest).second) {
      log_.WriteError(nearest.substr(0, nearest.size() - 1) + std::string(kLeadsIntoOther));
      ++failures_;
    }
    return false;
  }

  // A link that leads out of the receiving folder: what it leads to belongs to someone else.
  if (StartsWithPath(RealFolder(fs_, nearest), side.real)) return true;
  guarded_folder_allowed_ = false;
  std::string link = nearest;  // the outermost folder below the root that leads out
  for (std::string up = ParentFolder(nearest); up.size() > side.root.size();
       up = ParentFolder(up)) {
    if (StartsWithPath(RealFolder(fs_, up), side.real)) break;
    link = up;
  }
  if (reported_paths_.insert(link).second) {
    log_.WriteError(link.substr(0, link.size() - 1) + std::string(kLeadsOut));
    ++failures_;
  }
  return false;
}

}  // namespace parvolind
