// Whole-file reading and crash-safe replacement of a file, with POSIX calls.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/atomic_file.h"
#include "platform/io_error.h"

namespace parvolind {
namespace {

bool Fail(const std::string& path, int error_number, std::string* error) {
  if (error != nullptr) *error = path + ": " + IoErrorText(error_number);
  return false;
}

// Closes a descriptor on every way out of a function.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the outcome: a delayed write error may only show here.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// The file a path stands for: a symbolic link is replaced by its target, so that
// writing through a link keeps the link.
std::string ResolveTarget(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  if (path.empty()) return Fail(path, ENOENT, error);
  const std::string target = ResolveTarget(path);
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (base.empty()) return Fail(path, EISDIR, error);

  struct stat old_info;
  const bool had_file = ::stat(target.c_str(), &old_info) == 0;
  if (had_file && S_ISDIR(old_info.st_mode)) return Fail(path, EISDIR, error);

  // A hidden name in the same folder, so the rename stays on one file system.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary =
        folder + "." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return Fail(path, errno, error);
  }
  if (fd < 0) return Fail(path, EEXIST, error);
  FileDescriptor file(fd);

  auto abandon = [&](int error_number) {
    if (file.get() >= 0) file.Close();
    ::unlink(temporary.c_str());
    return Fail(path, error_number, error);
  };
  // A replaced backup keeps the permissions the user gave the old one.
  if (had_file && ::fchmod(file.get(), old_info.st_mode & 07777) != 0) return abandon(errno);
  if (!WriteAll(file.get(), bytes)) return abandon(errno);
  if (::fsync(file.get()) != 0) return abandon(errno);
  if (file.Close() != 0) return abandon(errno);
  if (::rename(temporary.c_str(), target.c_str()) != 0) return abandon(errno);

  // Make the rename itself durable; the new content is complete either way, so a
  // folder that cannot be synced is no reason to report failure.
  const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    ::fsync(folder_fd);
    ::close(folder_fd);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error,
                   size_t max_bytes) {
  bytes->clear();
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return Fail(path, errno, error);
  struct stat info;
  if (::fstat(file.get(), &info) != 0) return Fail(path, errno, error);
  if (S_ISDIR(info.st_mode)) return Fail(path, EISDIR, error);
  if (S_ISREG(info.st_mode) && static_cast<uintmax_t>(info.st_size) > max_bytes) {
    return Fail(path, EFBIG, error);
  }
  if (S_ISREG(info.st_mode) && info.st_size > 0) bytes->reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof(buffer));
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error_number = errno;
      bytes->clear();
      return Fail(path, error_number, error);
    }
    if (got == 0) break;
    if (static_cast<size_t>(got) > max_bytes - bytes->size()) {
      bytes->clear();
      return Fail(path, EFBIG, error);
    }
    bytes->append(buffer, static_cast<size_t>(got));
  }
  return true;
}

}  // namespace parvolind
