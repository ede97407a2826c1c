#include "platform/linux/file_status_linux.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace parvolind::linux_fs {
namespace {

constexpr int64_t kNanosPerSecond = 1000000000;
// More threads than this gain little on metadata a walk reads, and cost memory and start-up.
constexpr long kDefaultThreadCap = 8;
constexpr long kMostThreads = 64;

}  // namespace

int64_t ToNanos(const timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * kNanosPerSecond + time.tv_nsec;
}

timespec FromNanos(int64_t nanos) {
  timespec time{};
  int64_t seconds = nanos / kNanosPerSecond;
  int64_t rest = nanos % kNanosPerSecond;
  if (rest < 0) {  // times before 1970: the nanoseconds part must stay positive
    rest += kNanosPerSecond;
    --seconds;
  }
  time.tv_sec = static_cast<time_t>(seconds);
  time.tv_nsec = static_cast<long>(rest);
  return time;
}

FileStatus StatusOf(const struct stat& info) {
  FileStatus status;
  status.exists = true;
  status.is_directory = S_ISDIR(info.st_mode);
  status.is_regular = S_ISREG(info.st_mode);
  status.is_link = S_ISLNK(info.st_mode);
  status.size = static_cast<int64_t>(info.st_size);
  status.mtime_ns = ToNanos(info.st_mtim);
  status.atime_ns = ToNanos(info.st_atim);
  status.mode = static_cast<uint32_t>(info.st_mode & 07777);
  status.owner = static_cast<uint32_t>(info.st_uid);
  status.group = static_cast<uint32_t>(info.st_gid);
  status.device = static_cast<uint64_t>(info.st_dev);
  status.inode = static_cast<uint64_t>(info.st_ino);
  status.allocated = static_cast<int64_t>(info.st_blocks) * 512;
  return status;
}

FileStatus Failed(int error) {
  FileStatus status;
  status.error = error;
  return status;
}

void SetError(int* error, int value) {
  if (error != nullptr) *error = value;
}

size_t WorkThreads() {
  if (const char* asked = std::getenv("PARVOLIND_THREADS"); asked != nullptr && *asked != '\0') {
    char* end = nullptr;
    const long count = std::strtol(asked, &end, 10);
    if (*end == '\0' && count >= 1) return static_cast<size_t>(std::min(count, kMostThreads));
  }
  const long processors = sysconf(_SC_NPROCESSORS_ONLN);
  return static_cast<size_t>(std::clamp(processors, 1L, kDefaultThreadCap));
}

}  // namespace parvolind::linux_fs
