#include "platform/linux/unnamed_file_linux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace parvolind::linux_unnamed {
namespace {

// Reading the umask with umask() sets it for a moment, which another thread creating a file at
// that moment would feel; the process's status tells it without.
int ReadUmask() {
  FILE* status = std::fopen("/proc/self/status", "re");
  if (status == nullptr) return -1;
  int mask = -1;
  char line[256];
  while (std::fgets(line, sizeof(line), status) != nullptr) {
    unsigned value = 0;
    if (std::sscanf(line, "Umask: %o", &value) == 1) {
      mask = static_cast<int>(value & 0777);
      break;
    }
  }
  std::fclose(status);
  return mask;
}

template <typename Call>
auto Retry(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

}  // namespace

UnnamedFiles::UnnamedFiles() : umask_(ReadUmask()) {}

int UnnamedFiles::Create(const std::string& folder, uint32_t mode) {
  const mode_t bits = static_cast<mode_t>(mode & 07777);
  const int fd = Retry([&] { return open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, bits); });
  if (fd < 0) return -1;
  // The mode given at creation is cut by the umask, or by the folder's default ACL; where
  // neither takes a bit the file has its bits already, otherwise they are set as asked.
  const bool exact = umask_ >= 0 && (bits & ~mode_t{0777}) == 0 &&
                     (bits & static_cast<mode_t>(umask_)) == 0 && !HasDefaultAcl(folder);
  if (!exact && fchmod(fd, bits) != 0) {
    const int code = errno;
    close(fd);
    errno = code;
    return -1;
  }
  return fd;
}

int UnnamedFiles::Link(int fd, const std::string& path) {
  const int known = by_descriptor_.load(std::memory_order_relaxed);
  if (known >= 0) {
    if (linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) {
      by_descriptor_.store(1, std::memory_order_relaxed);
      return 0;
    }
    // Kernels that keep this to a privilege answer ENOENT, as for a missing folder.
    if (errno != ENOENT || known == 1) return errno;
  }
  // The descriptor's entry under /proc, followed, names the same file for everyone.
  const std::string descriptor = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, descriptor.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0) {
    return errno;
  }
  if (known == 0) by_descriptor_.store(-1, std::memory_order_relaxed);
  return 0;
}

bool UnnamedFiles::HasDefaultAcl(const std::string& folder) {
  const std::lock_guard<std::mutex> lock(acl_mutex_);
  if (folder != acl_folder_) {
    const ssize_t size = getxattr(folder.c_str(), "system.posix_acl_default", nullptr, 0);
    // No such attribute, or a file system without them: the mode and the umask decide.
    acl_folder_has_ = !(size < 0 && (errno == ENODATA || errno == ENOTSUP));
    acl_folder_ = folder;
  }
  return acl_folder_has_;
}

}  // namespace parvolind::linux_unnamed
