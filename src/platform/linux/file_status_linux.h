#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <ctime>

#include "platform/file_system.h"

// What the Linux file system's parts share: the translation of the kernel's file status and
// times, and the retry of interrupted calls.
namespace parvolind::linux_fs {

/// Nanoseconds since 1970 of a kernel time.
int64_t ToNanos(const timespec& time);
/// The kernel time of nanoseconds since 1970 (also before 1970).
timespec FromNanos(int64_t nanos);
/// The status a stat() call gave.
FileStatus StatusOf(const struct stat& info);
/// The status of a look that failed with `error`.
FileStatus Failed(int error);
/// Stores `value` in `*error` unless the caller passed no place for it.
void SetError(int* error, int value);

/// See FileSystem::WorkThreads().
size_t WorkThreads();

/// Retries a call that a signal interrupted.
template <typename Call>
auto Retry(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

}  // namespace parvolind::linux_fs
