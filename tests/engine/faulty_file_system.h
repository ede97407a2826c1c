#pragma once

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace parvolind::testing {

/// The machine's file system, with faults a test can switch on: the disk sync of the copy of a
/// chosen file fails, or renaming onto a chosen name fails. It notes the steps that finish a
/// copy ("create", "write-back", "sync", "rename") in `steps`.
class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& real) : real_(real) {}

  /// The sync of a temporary file created after opening a file whose path ends in this (the
  /// copy of that file) fails with EIO; empty: none.
  std::string failing_sync;
  /// Renaming onto a path that ends in this fails with EIO; empty: none.
  std::string failing_rename;
  /// Removing a file whose path ends in this fails with EACCES; empty: none.
  std::string failing_remove;
  /// Putting a file whose path ends in this into the trash fails with EACCES; empty: none.
  std::string failing_trash;
  /// Mount points to report instead of the real ones: the longest of these paths that a path
  /// begins with gives its mount point (a drive plugged in, or not).
  std::map<std::string, std::string> mount_points;
  /// Times set through this file system are cut to this step (as FAT keeps them); 0: kept.
  int64_t time_step_ns = 0;
  /// Times set through this file system are dropped: files bear the moment they were written.
  bool times_ignored = false;
  /// Folders this file system was asked to create; none outside `creation_allowed_below` is.
  std::vector<std::string> created_folders;
  std::string creation_allowed_below;
  /// Reading a directory whose path ends in this fails with EIO after `entries_before_failure`
  /// entries, as on a damaged directory block (below 0: opening it fails with EACCES); empty:
  /// none.
  std::string failing_directory;
  int entries_before_failure = 0;
  /// Looking at a path that ends in this fails with EIO; empty: none.
  std::string failing_status;
  /// Opening a file whose path ends in this for reading fails with EACCES; empty: none.
  std::string failing_open;
  std::vector<std::string> steps;

  FileStatus Stat(const std::string& path) override {
    return EndsWith(path, failing_status) ? Unreadable() : real_.Stat(path);
  }
  FileStatus LinkStatus(const std::string& path) override {
    return EndsWith(path, failing_status) ? Unreadable() : real_.LinkStatus(path);
  }
  std::unique_ptr<DirectoryStream> OpenDirectory(const std::string& path, int* error) override {
    if (entries_before_failure < 0 && EndsWith(path, failing_directory)) {
      if (error != nullptr) *error = EACCES;
      return nullptr;
    }
    std::unique_ptr<DirectoryStream> stream = real_.OpenDirectory(path, error);
    if (!stream || !EndsWith(path, failing_directory)) return stream;
    return std::make_unique<BrokenStream>(std::move(stream), entries_before_failure);
  }
  bool CreateDirectoryPath(const std::string& path) override {
    created_folders.push_back(path);
    if (path.compare(0, creation_allowed_below.size(), creation_allowed_below) != 0) return false;
    return real_.CreateDirectoryPath(path);
  }
  std::unique_ptr<File> OpenForReading(const std::string& path, int* error,
                                       FileStatus* status) override {
    {
      // Copies are made ready in helper threads too.
      const std::lock_guard<std::mutex> lock(steps_mutex_);
      last_opened_ = path;
    }
    if (EndsWith(path, failing_open)) {
      if (error != nullptr) *error = EACCES;
      return nullptr;
    }
    return real_.OpenForReading(path, error, status);
  }
  std::unique_ptr<File> CreateTemporaryFile(const std::string& directory, std::string_view prefix,
                                            std::string* created_path, int* error) override {
    std::unique_ptr<File> file = real_.CreateTemporaryFile(directory, prefix, created_path, error);
    if (!file) return nullptr;
    steps.push_back("create");
    const std::lock_guard<std::mutex> lock(steps_mutex_);
    return std::make_unique<Faulty>(std::move(file), *this, EndsWith(last_opened_, failing_sync));
  }
  std::unique_ptr<File> CreateUnnamedFile(const std::string& directory, int* error = nullptr,
                                          uint32_t mode = 0600) override {
    std::unique_ptr<File> file = real_.CreateUnnamedFile(directory, error, mode);
    if (!file) return nullptr;
    return std::make_unique<Faulty>(std::move(file), *this, false);
  }
  int LinkFile(File& file, const std::string& path) override {
    auto* faulty = dynamic_cast<Faulty*>(&file);
    return real_.LinkFile(faulty != nullptr ? faulty->Real() : file, path);
  }
  int64_t CopyBlock(File& source, File& target, int64_t size, std::vector<char>& buffer) override {
    return real_.CopyBlock(source, target, size, buffer);
  }
  void ForEachSideBySide(size_t count, const std::function<void(size_t)>& work) override {
    real_.ForEachSideBySide(count, work);
  }
  /// Threads for work side by side; 0: as many as the real file system says.
  size_t work_threads = 0;
  size_t WorkThreads() override { return work_threads > 0 ? work_threads : real_.WorkThreads(); }
  std::unique_ptr<HelperThreads> StartHelperThreads(size_t count) override {
    return real_.StartHelperThreads(count);
  }
  int Rename(const std::string& from, const std::string& to) override {
    Note("rename");
    if (EndsWith(to, failing_rename)) return EIO;
    return real_.Rename(from, to);
  }
  int RemoveFile(const std::string& path) override {
    if (EndsWith(path, failing_remove)) return EACCES;
    return real_.RemoveFile(path);
  }
  bool RemoveUnlockedFile(const std::string& path) override {
    return real_.RemoveUnlockedFile(path);
  }
  int SetTimes(const std::string& path, int64_t atime_ns, int64_t mtime_ns) override {
    if (times_ignored) return 0;
    return real_.SetTimes(path, Cut(atime_ns), Cut(mtime_ns));
  }
  int SetPermissions(const std::string& path, uint32_t mode) override {
    return real_.SetPermissions(path, mode);
  }
  std::string RealPath(const std::string& path) override { return real_.RealPath(path); }
  int AppendToFile(const std::string& path, std::string_view bytes) override {
    return real_.AppendToFile(path, bytes);
  }
  LocalTime LocalTimeOf(int64_t utc_ns) override { return real_.LocalTimeOf(utc_ns); }
  std::string MountPointOf(const std::string& path) override {
    std::string mount;
    size_t longest = 0;
    for (const auto& [prefix, point] : mount_points) {
      if (prefix.size() >= longest && path.compare(0, prefix.size(), prefix) == 0) {
        longest = prefix.size();
        mount = point;
      }
    }
    return longest > 0 ? mount : real_.MountPointOf(path);
  }
  int PutInTrash(const std::string& path, bool keep_in_place, TrashEntry* entry) override {
    if (EndsWith(path, failing_trash)) return EACCES;
    return real_.PutInTrash(path, keep_in_place, entry);
  }
  int TakeOutOfTrash(const TrashEntry& entry) override { return real_.TakeOutOfTrash(entry); }

 private:
  // Syncs and renames may run in several threads at once.
  void Note(const char* step) {
    const std::lock_guard<std::mutex> lock(steps_mutex_);
    steps.emplace_back(step);
  }

  int64_t Cut(int64_t ns) const { return time_step_ns > 0 ? ns - ns % time_step_ns : ns; }

  static bool EndsWith(std::string_view text, std::string_view end) {
    return !end.empty() && text.size() >= end.size() &&
           text.substr(text.size() - end.size()) == end;
  }

  static FileStatus Unreadable() {
    FileStatus status;
    status.error = EIO;
    return status;
  }

  // A directory of the real file system whose reading fails part way.
  class BrokenStream : public DirectoryStream {
   public:
    BrokenStream(std::unique_ptr<DirectoryStream> real, int entries)
        : real_(std::move(real)), left_(entries) {}
    bool Next(std::string_view& name, EntryType& type) override {
      if (left_ == 0) return false;
      --left_;
      return real_->Next(name, type);
    }
    int Error() const override { return left_ == 0 ? EIO : real_->Error(); }
    FileStatus Status() override { return real_->Status(); }
    FileStatus EntryStatus(bool follow_links) override { return real_->EntryStatus(follow_links); }

   private:
    std::unique_ptr<DirectoryStream> real_;
    int left_;
  };

  // A file of the real file system whose sync can be made to fail.
  class Faulty : public File {
   public:
    Faulty(std::unique_ptr<File> real, FaultyFileSystem& owner, bool failing_sync)
        : real_(std::move(real)), owner_(owner), failing_sync_(failing_sync) {}
    FileStatus Status() override { return real_->Status(); }
    int64_t Read(void* buffer, int64_t size) override { return real_->Read(buffer, size); }
    bool Write(const void* data, int64_t size) override { return real_->Write(data, size); }
    bool Resize(int64_t size) override { return real_->Resize(size); }
    bool SetTimes(int64_t atime_ns, int64_t mtime_ns) override {
      if (owner_.times_ignored) return true;
      return real_->SetTimes(owner_.Cut(atime_ns), owner_.Cut(mtime_ns));
    }
    File& Real() { return *real_; }
    bool SetPermissions(uint32_t mode) override { return real_->SetPermissions(mode); }
    bool SetOwner(uint32_t owner, uint32_t group) override { return real_->SetOwner(owner, group); }
    bool SyncData() override {
      owner_.Note("sync");
      return !failing_sync_ && real_->SyncData();
    }
    bool StartWriteBack() override {
      owner_.steps.push_back("write-back");
      return real_->StartWriteBack();
    }
    bool Close() override { return real_->Close(); }
    int LastError() const override { return failing_sync_ ? EIO : real_->LastError(); }

   private:
    std::unique_ptr<File> real_;
    FaultyFileSystem& owner_;
    bool failing_sync_;
  };

  FileSystem& real_;
  std::string last_opened_;
  std::mutex steps_mutex_;
};

}  // namespace parvolind::testing
