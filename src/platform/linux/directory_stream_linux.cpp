#include "platform/linux/directory_stream_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>

#include "platform/linux/file_status_linux.h"

namespace parvolind::linux_fs {
namespace {

class LinuxDirectoryStream : public DirectoryStream {
 public:
  explicit LinuxDirectoryStream(DIR* dir) : dir_(dir) {}
  ~LinuxDirectoryStream() override { closedir(dir_); }
  LinuxDirectoryStream(const LinuxDirectoryStream&) = delete;
  LinuxDirectoryStream& operator=(const LinuxDirectoryStream&) = delete;

  bool Next(std::string_view& name, EntryType& type) override {
    for (;;) {
      errno = 0;
      const dirent* entry = readdir(dir_);
      if (entry == nullptr) {
        error_ = errno;
        last_name_ = nullptr;
        return false;
      }
      const char* raw = entry->d_name;
      if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0'))) continue;
      name = std::string_view(raw);
      last_name_ = raw;
      switch (entry->d_type) {
        case DT_REG:
          type = EntryType::kRegular;
          break;
        case DT_DIR:
          type = EntryType::kDirectory;
          break;
        case DT_LNK:
          type = EntryType::kLink;
          break;
        case DT_UNKNOWN:
          type = EntryType::kUnknown;
          break;
        default:
          type = EntryType::kOther;
          break;
      }
      return true;
    }
  }

  int Error() const override { return error_; }

  FileStatus Status() override {
    struct stat info {};
    if (fstat(dirfd(dir_), &info) != 0) return Failed(errno);
    return StatusOf(info);
  }

  FileStatus EntryStatus(bool follow_links) override {
    if (last_name_ == nullptr) return Failed(ENOENT);
    struct stat info {};
    if (fstatat(dirfd(dir_), last_name_, &info, follow_links ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
      return Failed(errno);
    }
    return StatusOf(info);
  }

 private:
  DIR* dir_;
  // The name of the entry Next() gave last; readdir() keeps it until its next call.
  const char* last_name_ = nullptr;
  int error_ = 0;
};

}  // namespace

std::unique_ptr<DirectoryStream> OpenDirectoryStream(const std::string& path, int* error) {
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) {
    SetError(error, errno);
    return nullptr;
  }
  return std::make_unique<LinuxDirectoryStream>(dir);
}

}  // namespace parvolind::linux_fs
