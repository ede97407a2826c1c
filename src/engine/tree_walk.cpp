#include "engine/tree_walk.h"

#include <memory>
#include <utility>
#include <vector>

#include "platform/path_rules.h"

namespace parvolind {

bool WalkTree(FileSystem& fs, ProgressSink& progress, const std::string& root, bool sub_dirs,
              const TreeVisitor& visit) {
  std::vector<std::string> folders = {root};
  while (!folders.empty()) {
    const std::string folder = std::move(folders.back());
    folders.pop_back();
    std::unique_ptr<DirectoryStream> stream = fs.OpenDirectory(folder);
    if (!stream) continue;
    std::string_view name;
    EntryType type = EntryType::kUnknown;
    while (stream->Next(name, type)) {
      if (type == EntryType::kUnknown) {
        const FileStatus status = fs.LinkStatus(folder + std::string(name));
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
    progress.ProcessEvents();
  }
  return true;
}

}  // namespace parvolind
