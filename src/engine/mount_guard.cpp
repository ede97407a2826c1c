#include "engine/mount_guard.h"

#include <string_view>

#include "engine/run_context.h"
#include "engine/run_paths.h"

namespace parvolind {
namespace {

constexpr std::string_view kNotAvailable =
    " ist nicht verfügbar. Ist der Datenträger angeschlossen?";
// The folders below which the system mounts drives. A folder there that is not on a drive of
// its own is only the place where a drive appears when it is plugged in.
constexpr std::string_view kMountFolders[] = {"/media/", "/run/media/", "/mnt/"};

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

}  // namespace

std::string CheckAvailable(FileSystem& fs, LogWriter& log, const std::string& root,
                           const std::string& remembered_mount) {
  std::string existing = root;
  std::string first_missing;
  while (existing != "/" && !fs.Stat(existing).exists) {
    const std::string parent = ParentFolder(existing);
    if (parent.empty()) break;
    first_missing = existing.substr(parent.size());
    existing = parent;
  }
  // Not even the path's root is there: a drive letter or a network share that is not connected.
  // Creating the root would fail for every file; the run is refused as a whole instead.
  const bool root_missing = IsRoot(existing) && !fs.Stat(existing).exists;
  const std::string real = fs.RealPath(existing);
  if (!real.empty()) existing = WithSeparator(real);
  const std::string mount_point = fs.MountPointOf(existing);
  const std::string mount = mount_point.empty() ? std::string() : WithSeparator(mount_point);
  const auto refuse = [&] { Refusal(log, root + std::string(kNotAvailable)); };
  if (root_missing) refuse();
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

}  // namespace parvolind
