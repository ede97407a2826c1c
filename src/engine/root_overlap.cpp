#include "engine/root_overlap.h"

#include <utility>

#include "engine/run_paths.h"

namespace parvolind {
namespace {

// A directory root as the file system will see it once created: its nearest existing
// folder, resolved, and the names of the folders still missing below it.
struct Located {
  std::string existing;  // real path, ending in the separator
  // plain folder names, each ending in the separator; empty when the root exists
  std::string missing;
};

Located Locate(FileSystem& fs, const std::string& root) {
  // Walks up to the nearest folder that exists; what lies below it is still to be created.
  const auto split = [&fs](std::string path) {
    Located located;
    while (!IsRoot(path) && !fs.Stat(path).exists) {
      const std::string parent = ParentFolder(path);
      if (parent.empty()) break;
      located.missing.insert(0, path, parent.size());
      path = parent;
    }
    located.existing = std::move(path);
    return located;
  };
  Located located = split(root);
  const std::string real = fs.RealPath(located.existing);
  if (!real.empty()) located.existing = WithSeparator(real);
  if (located.missing.empty()) return located;
  // The folders still missing may name "." or ".."; split once more what they lead to.
  return split(Joined(located.existing, located.missing));
}

bool Within(FileSystem& fs, const Located& inner, const Located& outer) {
  if (StartsWithPath(inner.existing + inner.missing, outer.existing + outer.missing)) return true;
  // The same folder can be reachable under two real paths (a bind mount): look for the
  // outer root's existing folder among the inner root's folders and their parents.
  const FileStatus anchor = fs.Stat(outer.existing);
  if (!anchor.exists) return false;
  std::string folder = inner.existing;
  std::string below = inner.missing;  // the inner root's path below `folder`
  for (;;) {
    const FileStatus status = fs.Stat(folder);
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

}  // namespace

bool RootsOverlap(FileSystem& fs, const std::string& root1, const std::string& root2) {
  const Located one = Locate(fs, root1);
  const Located two = Locate(fs, root2);
  return Within(fs, one, two) || Within(fs, two, one);
}

}  // namespace parvolind
