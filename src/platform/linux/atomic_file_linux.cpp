// Whole-file reading and crash-safe replacement of a file, with POSIX calls.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
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

// Links followed before giving up; the open then reports the loop.
constexpr int kMaxLinkHops = 40;

// The system folder ("/dev" or "/proc") that an absolute path lies in, or null.
const char* SystemFolderOf(const std::string& path) {
  for (const char* folder : {"/dev", "/proc"}) {
    const std::string prefix(folder);
    if (path == prefix || path.starts_with(prefix + "/")) return folder;
  }
  return nullptr;
}

// What a file that is not a regular file is, for messages.
std::string KindText(mode_t mode) {
  if (S_ISDIR(mode)) return "ein Verzeichnis";
  if (S_ISFIFO(mode)) return "eine benannte Pipe (FIFO)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "ein Gerät";
  if (S_ISSOCK(mode)) return "ein Socket";
  return "keine gewöhnliche Datei";
}

bool FailNotRegular(const std::string& path, mode_t mode, std::string* error) {
  if (error != nullptr) *error = path + ": Keine gewöhnliche Datei, sondern " + KindText(mode);
  return false;
}

// The file a path stands for, followed link by link, so that writing through a
// link replaces the file it points to and keeps the link. Returns the system
// folder ("/dev", "/proc") that a step of the way passes through, or null: a
// name there (/dev/stdout, /proc/self/fd/1) stands for an open file or a device
// whose content a rename would throw away rather than replace.
const char* FollowLinks(const std::string& path, std::string* target) {
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    const size_t slash = current.rfind('/');
    std::string folder = slash == std::string::npos ? "." : current.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? current : current.substr(slash + 1);
    if (folder.starts_with("/")) {
      if (const char* system = SystemFolderOf(folder + base)) return system;
    }
    // A folder that cannot be resolved stays as given; the open reports why.
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) != nullptr) {
      folder = resolved;
      if (const char* system = SystemFolderOf(folder)) return system;
      if (!folder.ends_with("/")) folder += '/';
    }
    *target = folder + base;
    struct stat info;
    if (base.empty() || ::lstat(target->c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      return nullptr;
    }
    char link[PATH_MAX];
    const ssize_t length = ::readlink(target->c_str(), link, sizeof(link) - 1);
    if (length <= 0) return nullptr;
    const std::string next(link, static_cast<size_t>(length));
    current = next.starts_with("/") ? next : folder + next;
  }
  return nullptr;
}

// ReplaceRegularFile()'s answer when the name holds something other than a regular file.
constexpr int kNotRegular = -1;

// Renames `from` over `to` when `to` is a regular file or nothing. The two names are exchanged
// in one step and what came back is looked at: anything but a regular file is put back, so the
// only window left is the moment in which that thing stood under the temporary name. Where the
// file system cannot exchange names, `to` is looked at without following a link immediately
// before the rename; a pipe put in its place between that look and the rename is replaced.
// 0, kNotRegular (its kind in `found`) or an error code.
int ReplaceRegularFile(const std::string& from, const std::string& to, mode_t* found) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
      struct stat old {};
      if (::lstat(from.c_str(), &old) == 0 && !S_ISREG(old.st_mode)) {
        ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE);
        *found = old.st_mode;
        return kNotRegular;
      }
      ::unlink(from.c_str());  // the old file, now under the temporary name
      return 0;
    }
    if (errno == ENOENT) {
      // Nothing there: take the name unless something took it meanwhile.
      if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
      }
      if (errno == EEXIST) continue;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    const int fd = ::open(to.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      struct stat now {};
      const bool regular = ::fstat(fd, &now) == 0 && S_ISREG(now.st_mode);
      ::close(fd);
      if (!regular) {
        *found = now.st_mode;
        return kNotRegular;
      }
    } else if (errno != ENOENT) {
      return errno;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }
  return EEXIST;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  if (path.empty()) return Fail(path, ENOENT, error);
  std::string target;
  if (const char* system = FollowLinks(path, &target)) {
    if (error != nullptr) {
      *error = path + ": Führt in das Systemverzeichnis " + system + " und wird nicht ersetzt";
    }
    return false;
  }
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (base.empty()) return Fail(path, EISDIR, error);

  // Only a regular file is replaced: a rename over a pipe, a device or a socket
  // would put a file in its place and report success for data nobody received.
  struct stat old_info;
  const bool had_file = ::stat(target.c_str(), &old_info) == 0;
  if (had_file && !S_ISREG(old_info.st_mode)) return FailNotRegular(path, old_info.st_mode, error);

  // A hidden name in the same folder, so the rename stays on one file system.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary =
        folder + "." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    // A new backup names every job's folders: it is the user's alone, whatever the umask.
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
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
  // Between the look above and now something else may have taken the target's name (a pipe,
  // say): only a regular file, or nothing, is replaced.
  mode_t found = 0;
  const int replace_error = ReplaceRegularFile(temporary, target, &found);
  if (replace_error == kNotRegular) {
    ::unlink(temporary.c_str());
    return FailNotRegular(path, found, error);
  }
  if (replace_error != 0) return abandon(replace_error);

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
  // Looked at before opening: opening a pipe waits for a writer, and opening a
  // device can already act on it.
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return Fail(path, errno, error);
  if (!S_ISREG(info.st_mode)) return FailNotRegular(path, info.st_mode, error);
  // Non-blocking, in case the name was swapped for a pipe meanwhile.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return Fail(path, errno, error);
  if (::fstat(file.get(), &info) != 0) return Fail(path, errno, error);
  if (!S_ISREG(info.st_mode)) return FailNotRegular(path, info.st_mode, error);
  if (static_cast<uintmax_t>(info.st_size) > max_bytes) return Fail(path, EFBIG, error);
  if (info.st_size > 0) bytes->reserve(static_cast<size_t>(info.st_size));
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
