#include "engine/run_paths.h"

#include <cerrno>

#include "engine/path_index.h"
#include "platform/path_rules.h"

namespace parvolind {

std::string WithSeparator(std::string directory) {
  if (directory.empty() || directory.back() != kPathSeparator) directory += kPathSeparator;
  return directory;
}

std::string ParentFolder(const std::string& path) {
  std::string folder = path;
  if (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  const size_t slash = folder.rfind(kPathSeparator);
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

bool IsRoot(const std::string& folder) { return RootLength(folder) == folder.size(); }

bool StartsWithPath(std::string_view path, std::string_view prefix) {
  return path.size() >= prefix.size() && SameFileName(path.substr(0, prefix.size()), prefix);
}

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

bool MayExist(const FileStatus& status) {
  return status.exists || (status.error != 0 && status.error != ENOENT && status.error != ENOTDIR);
}

std::string RealFolder(FileSystem& fs, const std::string& folder) {
  const std::string real = fs.RealPath(folder);
  return real.empty() ? folder : WithSeparator(real);
}

}  // namespace parvolind
