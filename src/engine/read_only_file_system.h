#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace parvolind {

/// A file system through which nothing can be changed: every look goes to the file system it
/// wraps, every change is refused (EROFS, or no file) and counted. A preview works through it, so
/// that a step it should have left out cannot touch a file all the same.
class ReadOnlyFileSystem : public FileSystem {
 public:
  explicit ReadOnlyFileSystem(FileSystem& wrapped) : wrapped_(wrapped) {}

  /// How many changes were refused (0 when the preview left out every change as it should).
  int RefusedChanges() const { return refused_; }

  FileStatus Stat(const std::string& path) override { return wrapped_.Stat(path); }
  FileStatus LinkStatus(const std::string& path) override { return wrapped_.LinkStatus(path); }
  std::unique_ptr<DirectoryStream> OpenDirectory(const std::string& path,
                                                 int* error = nullptr) override {
    return wrapped_.OpenDirectory(path, error);
  }
  bool CreateDirectoryPath(const std::string& path) override;
  std::unique_ptr<File> OpenForReading(const std::string& path, int* error = nullptr,
                                       FileStatus* status = nullptr) override;
  std::unique_ptr<File> CreateTemporaryFile(const std::string& directory, std::string_view prefix,
                                            std::string* created_path,
                                            int* error = nullptr) override;
  std::unique_ptr<File> CreateUnnamedFile(const std::string& directory, int* error = nullptr,
                                          uint32_t mode = 0600) override;
  int LinkFile(File& file, const std::string& path) override;
  int64_t CopyBlock(File& source, File& target, int64_t size, std::vector<char>& buffer) override;
  void ForEachSideBySide(size_t count, const std::function<void(size_t)>& work) override {
    wrapped_.ForEachSideBySide(count, work);
  }
  size_t WorkThreads() override { return wrapped_.WorkThreads(); }
  std::unique_ptr<HelperThreads> StartHelperThreads(size_t count) override {
    return wrapped_.StartHelperThreads(count);
  }
  int Rename(const std::string& from, const std::string& to) override;
  int RemoveFile(const std::string& path) override;
  bool RemoveUnlockedFile(const std::string& path) override;
  int SetTimes(const std::string& path, int64_t atime_ns, int64_t mtime_ns) override;
  int SetPermissions(const std::string& path, uint32_t mode) override;
  std::string RealPath(const std::string& path) override { return wrapped_.RealPath(path); }
  int AppendToFile(const std::string& path, std::string_view bytes) override;
  LocalTime LocalTimeOf(int64_t utc_ns) override { return wrapped_.LocalTimeOf(utc_ns); }
  std::string MountPointOf(const std::string& path) override { return wrapped_.MountPointOf(path); }
  int PutInTrash(const std::string& path, bool keep_in_place, TrashEntry* entry) override;
  int TakeOutOfTrash(const TrashEntry& entry) override;

 private:
  int Refuse();

  FileSystem& wrapped_;
  int refused_ = 0;
};

}  // namespace parvolind
