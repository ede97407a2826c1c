#include "platform/linux/private_folder_linux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace parvolind {

bool CreatePrivateFolderPath(const std::string& path) {
  if (path.empty()) return false;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  // Every missing level from the top down.
  size_t position = 0;
  while (position <= path.size()) {
    const size_t slash = path.find('/', position);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    const std::string partial = path.substr(0, end);
    if (!partial.empty()) {
      if (mkdir(partial.c_str(), 0700) == 0) {
        // The umask may have taken bits the owner needs.
        chmod(partial.c_str(), 0700);
      } else if (errno != EEXIST && (stat(partial.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
        // A level we may not create can still exist (for example "/home" without rights on "/").
        return false;
      }
    }
    if (slash == std::string::npos) break;
    position = slash + 1;
  }
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void CreatePrivateFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd >= 0) close(fd);
}

}  // namespace parvolind
