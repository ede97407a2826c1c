#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <random>
#include <system_error>
#include <thread>

#include "platform/file_system.h"
#include "platform/helper_threads.h"
#include "platform/linux/directory_stream_linux.h"
#include "platform/linux/file_status_linux.h"
#include "platform/linux/trash_linux.h"
#include "platform/linux/unnamed_file_linux.h"

namespace parvolind {
namespace {

using linux_fs::Failed;
using linux_fs::FromNanos;
using linux_fs::Retry;
using linux_fs::SetError;
using linux_fs::StatusOf;

// This many file operations waiting for the disk at a time let it combine their flushes; more
// gain little.
constexpr size_t kDiskThreads = 8;

class LinuxFile : public File {
 public:
  explicit LinuxFile(int fd) : fd_(fd) {}
  ~LinuxFile() override {
    if (fd_ >= 0) close(fd_);
  }
  LinuxFile(const LinuxFile&) = delete;
  LinuxFile& operator=(const LinuxFile&) = delete;

  int fd() const { return fd_; }
  // State of the copy from this file as a source, kept by CopyBlock().
  bool kernel_copy_failed = false;
  bool sparse_checked = false;
  bool sparse = false;

  FileStatus Status() override {
    struct stat info {};
    if (fstat(fd_, &info) != 0) return Fail(FileStatus{});
    return StatusOf(info);
  }

  int64_t Read(void* buffer, int64_t size) override {
    const ssize_t count = Retry([&] { return read(fd_, buffer, static_cast<size_t>(size)); });
    if (count < 0) return Fail(int64_t{-1});
    return count;
  }

  bool Write(const void* data, int64_t size) override {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t count = Retry([&] { return write(fd_, bytes, static_cast<size_t>(size)); });
      if (count < 0) return Fail(false);
      if (count == 0) {  // no progress: treat as a full disk rather than loop
        last_error_ = ENOSPC;
        return false;
      }
      bytes += count;
      size -= count;
    }
    return true;
  }

  bool Resize(int64_t size) override {
    if (Retry([&] { return ftruncate(fd_, static_cast<off_t>(size)); }) != 0) return Fail(false);
    return true;
  }

  bool SetTimes(int64_t atime_ns, int64_t mtime_ns) override {
    const timespec times[2] = {FromNanos(atime_ns), FromNanos(mtime_ns)};
    if (futimens(fd_, times) != 0) return Fail(false);
    return true;
  }

  bool SetPermissions(uint32_t mode) override {
    if (fchmod(fd_, static_cast<mode_t>(mode)) != 0) return Fail(false);
    return true;
  }

  bool SetOwner(uint32_t owner, uint32_t group) override {
    if (fchown(fd_, static_cast<uid_t>(owner), static_cast<gid_t>(group)) != 0) return Fail(false);
    return true;
  }

  bool SyncData() override {
    if (Retry([&] { return fdatasync(fd_); }) != 0) return Fail(false);
    return true;
  }

  bool StartWriteBack() override {
    if (sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE) != 0) return Fail(false);
    return true;
  }

  bool Close() override {
    if (fd_ < 0) return true;
    const int result = close(fd_);
    fd_ = -1;
    // After close() the descriptor is gone even on EINTR; only a real error counts.
    if (result != 0 && errno != EINTR) return Fail(false);
    return true;
  }

  int LastError() const override { return last_error_; }
  void SetLastError(int error) { last_error_ = error; }

 private:
  template <typename T>
  T Fail(T value) {
    last_error_ = errno;
    return value;
  }

  int fd_;
  int last_error_ = 0;
};

class LinuxFileSystem : public FileSystem {
 public:
  FileStatus Stat(const std::string& path) override {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return Failed(errno);
    return StatusOf(info);
  }

  FileStatus LinkStatus(const std::string& path) override {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return Failed(errno);
    return StatusOf(info);
  }

  std::unique_ptr<DirectoryStream> OpenDirectory(const std::string& path, int* error) override {
    return linux_fs::OpenDirectoryStream(path, error);
  }

  bool CreateDirectoryPath(const std::string& path) override {
    if (path.empty()) return false;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    // Create every missing level from the top down.
    std::string partial;
    partial.reserve(path.size());
    size_t position = 0;
    while (position <= path.size()) {
      const size_t slash = path.find('/', position);
      const size_t end = slash == std::string::npos ? path.size() : slash;
      partial.assign(path, 0, end);
      if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
        // A level we may not create can still exist (for example "/home" without rights on "/").
        if (stat(partial.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
      }
      if (slash == std::string::npos) break;
      position = slash + 1;
    }
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

  std::unique_ptr<File> OpenForReading(const std::string& path, int* error,
                                       FileStatus* status) override {
    // O_NONBLOCK so that opening a pipe never waits for a writer; such files are refused below.
    // On a regular file the flag changes nothing, so it stays set.
    const int fd =
        Retry([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); });
    if (fd < 0) {
      SetError(error, errno);
      return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      const int code = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
      close(fd);
      SetError(error, code);
      return nullptr;
    }
    if (status != nullptr) *status = StatusOf(info);
    auto file = std::make_unique<LinuxFile>(fd);
    file->sparse_checked = true;
    file->sparse = static_cast<int64_t>(info.st_blocks) * 512 < info.st_size;
    return file;
  }

  std::unique_ptr<File> CreateTemporaryFile(const std::string& directory, std::string_view prefix,
                                            std::string* created_path, int* error) override {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string path = directory;
      path.append(prefix);
      path.append(pid_);
      path.push_back('-');
      uint64_t bits = NextRandom();
      for (int i = 0; i < 10; ++i) {
        path.push_back(kLetters[bits % 36]);
        bits /= 36;
      }
      const int fd =
          Retry([&] { return open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600); });
      if (fd < 0) {
        if (errno == EEXIST) continue;
        SetError(error, errno);
        return nullptr;
      }
      // The lock tells a later clean-up that this file is still being written.
      Retry([&] { return flock(fd, LOCK_EX | LOCK_NB); });
      if (created_path != nullptr) *created_path = std::move(path);
      return std::make_unique<LinuxFile>(fd);
    }
    SetError(error, EEXIST);
    return nullptr;
  }

  std::unique_ptr<File> CreateUnnamedFile(const std::string& directory, int* error,
                                          uint32_t mode) override {
    // Linking such a file may need its descriptor's entry under /proc; without /proc it could
    // not always get a name.
    if (!ProcDescriptorsAvailable()) {
      SetError(error, EOPNOTSUPP);
      return nullptr;
    }
    const std::string folder = directory.empty() ? std::string(".") : directory;
    const int fd = unnamed_.Create(folder, mode);
    if (fd < 0) {
      SetError(error, errno);
      return nullptr;
    }
    return std::make_unique<LinuxFile>(fd);
  }

  int LinkFile(File& file, const std::string& path) override {
    auto* own = dynamic_cast<LinuxFile*>(&file);
    if (own == nullptr || own->fd() < 0) return EBADF;
    const int code = unnamed_.Link(own->fd(), path);
    if (code != 0) {
      // Where files without a name cannot be named, later copies do not try them again.
      if (code == EPERM || code == EXDEV || code == EINVAL || code == EOPNOTSUPP ||
          code == ENOSYS) {
        proc_checked_.store(-1, std::memory_order_relaxed);
      }
      return code;
    }
    return 0;
  }

  int64_t CopyBlock(File& source_file, File& target_file, int64_t size,
                    std::vector<char>& buffer) override {
    auto* own_source = dynamic_cast<LinuxFile*>(&source_file);
    auto* own_target = dynamic_cast<LinuxFile*>(&target_file);
    if (own_source == nullptr || own_target == nullptr) {
      return CopyThroughBuffer(source_file, target_file, size, buffer);
    }
    LinuxFile& source = *own_source;
    LinuxFile& target = *own_target;
    int64_t moved = 0;
    while (moved < size) {
      const int64_t wanted = size - moved;
      const int64_t hole = HoleAhead(source, wanted);
      if (hole < 0) {
        target.SetLastError(errno);
        return -1;
      }
      if (hole > 0) {
        // Skip the hole on both sides; the target keeps a hole there too.
        if (lseek(source.fd(), hole, SEEK_CUR) < 0 || lseek(target.fd(), hole, SEEK_CUR) < 0) {
          target.SetLastError(errno);
          return -1;
        }
        moved += hole;
        continue;
      }
      int64_t count = -1;
      if (!source.kernel_copy_failed) {
        count = Retry([&] {
          return copy_file_range(source.fd(), nullptr, target.fd(), nullptr,
                                 static_cast<size_t>(wanted), 0);
        });
        if (count < 0) {
          if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
              errno != EPERM && errno != ETXTBSY) {
            target.SetLastError(errno);
            return -1;
          }
          source.kernel_copy_failed = true;
        }
      }
      if (count <= 0) {
        // The fallback, and also the check of an early end: some file systems report 0 from
        // copy_file_range although data remains.
        if (buffer.empty()) buffer.resize(1 << 17);
        const int64_t chunk = std::min<int64_t>(wanted, static_cast<int64_t>(buffer.size()));
        count = source.Read(buffer.data(), chunk);
        if (count < 0) {
          target.SetLastError(source.LastError());
          return -1;
        }
        if (count == 0) return moved;  // the source ended early
        // Data where the kernel copy saw none: that file system cannot copy in the kernel.
        source.kernel_copy_failed = true;
        if (!target.Write(buffer.data(), count)) return -1;
      }
      moved += count;
    }
    return moved;
  }

  void ForEachSideBySide(size_t count, const std::function<void(size_t)>& work) override {
    std::atomic<size_t> next{0};
    const auto worker = [&] {
      for (size_t i = next++; i < count; i = next++) work(i);
    };
    std::vector<std::thread> helpers;
    try {
      while (helpers.size() + 1 < std::min(kDiskThreads, count)) helpers.emplace_back(worker);
    } catch (const std::system_error&) {
      // No more threads to be had: those running, and this one, do the rest.
    }
    worker();
    for (std::thread& helper : helpers) helper.join();
  }

  size_t WorkThreads() override { return linux_fs::WorkThreads(); }

  std::unique_ptr<HelperThreads> StartHelperThreads(size_t count) override {
    return StartStandardHelperThreads(count);
  }

  int Rename(const std::string& from, const std::string& to) override {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }

  int RemoveFile(const std::string& path) override { return unlink(path.c_str()) == 0 ? 0 : errno; }

  bool RemoveUnlockedFile(const std::string& path) override {
    const int fd =
        Retry([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK); });
    if (fd < 0) return false;
    bool removed = false;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        Retry([&] { return flock(fd, LOCK_EX | LOCK_NB); }) == 0) {
      // Only remove the very file that is locked, not one that replaced it meanwhile.
      struct stat now {};
      if (lstat(path.c_str(), &now) == 0 && now.st_dev == info.st_dev &&
          now.st_ino == info.st_ino) {
        removed = unlink(path.c_str()) == 0;
      }
    }
    close(fd);
    return removed;
  }

  int SetTimes(const std::string& path, int64_t atime_ns, int64_t mtime_ns) override {
    const timespec times[2] = {FromNanos(atime_ns), FromNanos(mtime_ns)};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : errno;
  }

  int SetPermissions(const std::string& path, uint32_t mode) override {
    return chmod(path.c_str(), static_cast<mode_t>(mode)) == 0 ? 0 : errno;
  }

  std::string RealPath(const std::string& path) override {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::string result(resolved);
    free(resolved);
    return result;
  }

  int AppendToFile(const std::string& path, std::string_view bytes) override {
    // Never waits: opening a pipe for writing would wait for a reader for ever. Only a regular
    // file is written to; a pipe, a device or a socket in its place is refused. A new file is
    // the user's alone, whatever the umask says.
    const int fd = Retry([&] {
      return open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                  0600);
    });
    if (fd < 0) return errno == ENXIO ? EACCES : errno;
    LinuxFile file(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return EACCES;
    if (!file.Write(bytes.data(), static_cast<int64_t>(bytes.size()))) return file.LastError();
    if (!file.Close()) return file.LastError();
    return 0;
  }

  LocalTime LocalTimeOf(int64_t utc_ns) override {
    const timespec moment = FromNanos(utc_ns);
    tm local{};
    if (localtime_r(&moment.tv_sec, &local) == nullptr) return LocalTime{};
    return LocalTime{local.tm_year + 1900,
                     local.tm_mon + 1,
                     local.tm_mday,
                     local.tm_hour,
                     local.tm_min,
                     std::min(local.tm_sec, 59),
                     static_cast<int>(moment.tv_nsec / 1000000)};
  }

  std::string MountPointOf(const std::string& path) override {
    return linux_trash::MountPointOf(path);
  }

  int PutInTrash(const std::string& path, bool keep_in_place, TrashEntry* entry) override {
    return linux_trash::PutInTrash(path, keep_in_place, entry);
  }

  int TakeOutOfTrash(const TrashEntry& entry) override {
    return linux_trash::TakeOutOfTrash(entry);
  }

 private:
  // The copy for files this file system did not open itself: only their own Read() and Write()
  // are known to work on them.
  static int64_t CopyThroughBuffer(File& source, File& target, int64_t size,
                                   std::vector<char>& buffer) {
    if (buffer.empty()) buffer.resize(1 << 17);
    int64_t moved = 0;
    while (moved < size) {
      const int64_t chunk = std::min<int64_t>(size - moved, static_cast<int64_t>(buffer.size()));
      const int64_t count = source.Read(buffer.data(), chunk);
      if (count < 0) return -1;
      if (count == 0) break;  // the source ended early
      if (!target.Write(buffer.data(), count)) return -1;
      moved += count;
    }
    return moved;
  }

  // Length of the hole at the source's position, at most `limit`; 0 when data follows at once.
  // Only files with fewer allocated bytes than their length are asked, so dense files cost
  // nothing extra.
  static int64_t HoleAhead(LinuxFile& source, int64_t limit) {
    if (!source.sparse_checked) {
      source.sparse_checked = true;
      struct stat info {};
      source.sparse = fstat(source.fd(), &info) == 0 &&
                      static_cast<int64_t>(info.st_blocks) * 512 < info.st_size;
    }
    if (!source.sparse) return 0;
    const off_t position = lseek(source.fd(), 0, SEEK_CUR);
    if (position < 0) return -1;
    const off_t data = lseek(source.fd(), position, SEEK_DATA);
    int64_t hole = 0;
    if (data < 0) {
      // ENXIO: nothing but hole up to the end. Anything else: the file system cannot tell.
      hole = errno == ENXIO ? limit : 0;
    } else {
      hole = std::min<int64_t>(limit, data - position);
    }
    if (lseek(source.fd(), position, SEEK_SET) < 0) return -1;
    return hole;
  }

  bool ProcDescriptorsAvailable() {
    int known = proc_checked_.load(std::memory_order_relaxed);
    if (known == 0) {
      struct stat info {};
      known = stat("/proc/self/fd", &info) == 0 && S_ISDIR(info.st_mode) ? 1 : -1;
      proc_checked_.store(known, std::memory_order_relaxed);
    }
    return known > 0;
  }

  uint64_t NextRandom() {
    if (!seeded_) {
      std::random_device device;
      random_.seed((static_cast<uint64_t>(device()) << 32) ^ device() ^
                   static_cast<uint64_t>(getpid()));
      seeded_ = true;
    }
    return random_();
  }

  // 1: files without a name can be named through /proc/self/fd; -1: they cannot; 0: not known.
  std::atomic<int> proc_checked_{0};
  linux_unnamed::UnnamedFiles unnamed_;
  bool seeded_ = false;
  std::mt19937_64 random_;
  const std::string pid_ = std::to_string(getpid());
};

}  // namespace

std::unique_ptr<FileSystem> CreateFileSystem() { return std::make_unique<LinuxFileSystem>(); }

}  // namespace parvolind
