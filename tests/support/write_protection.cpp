#include "support/write_protection.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace parvolind::testing {
namespace {

// Sets or clears the immutable flag of `path`.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

}  // namespace

WriteProtection::WriteProtection(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (!SetImmutable(path, true)) return;
    protected_.push_back(path);
  }
  active_ = true;
}

WriteProtection::~WriteProtection() {
  for (const std::string& path : protected_) SetImmutable(path, false);
}

}  // namespace parvolind::testing
