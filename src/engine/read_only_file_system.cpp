#include "engine/read_only_file_system.h"

#include <cerrno>

namespace parvolind {
namespace {

// A file opened for reading that can only be read: its times, permissions and data stay.
class ReadOnlyFile : public File {
 public:
  ReadOnlyFile(std::unique_ptr<File> file, int& refused)
      : file_(std::move(file)), refused_(refused) {}

  FileStatus Status() override { return file_->Status(); }
  int64_t Read(void* buffer, int64_t size) override { return file_->Read(buffer, size); }
  bool Write(const void*, int64_t) override { return Refused(); }
  bool Resize(int64_t) override { return Refused(); }
  bool SetTimes(int64_t, int64_t) override { return Refused(); }
  bool SetPermissions(uint32_t) override { return Refused(); }
  bool SetOwner(uint32_t, uint32_t) override { return Refused(); }
  bool SyncData() override { return true; }
  bool StartWriteBack() override { return true; }
  bool Close() override { return file_->Close(); }
  int LastError() const override { return refused_last_ ? EROFS : file_->LastError(); }

 private:
  bool Refused() {
    ++refused_;
    refused_last_ = true;
    return false;
  }

  std::unique_ptr<File> file_;
  int& refused_;
  bool refused_last_ = false;
};

}  // namespace

int ReadOnlyFileSystem::Refuse() {
  ++refused_;
  return EROFS;
}

bool ReadOnlyFileSystem::CreateDirectoryPath(const std::string& path) {
  // A folder that is there already needs no change.
  if (wrapped_.Stat(path).is_directory) return true;
  Refuse();
  return false;
}

std::unique_ptr<File> ReadOnlyFileSystem::OpenForReading(const std::string& path, int* error,
                                                         FileStatus* status) {
  std::unique_ptr<File> file = wrapped_.OpenForReading(path, error, status);
  if (!file) return nullptr;
  return std::make_unique<ReadOnlyFile>(std::move(file), refused_);
}

std::unique_ptr<File> ReadOnlyFileSystem::CreateTemporaryFile(const std::string&, std::string_view,
                                                              std::string*, int* error) {
  const int code = Refuse();
  if (error != nullptr) *error = code;
  return nullptr;
}

std::unique_ptr<File> ReadOnlyFileSystem::CreateUnnamedFile(const std::string&, int* error,
                                                            uint32_t) {
  const int code = Refuse();
  if (error != nullptr) *error = code;
  return nullptr;
}

int ReadOnlyFileSystem::LinkFile(File&, const std::string&) { return Refuse(); }

int64_t ReadOnlyFileSystem::CopyBlock(File&, File&, int64_t, std::vector<char>&) {
  Refuse();
  return -1;
}

int ReadOnlyFileSystem::Rename(const std::string&, const std::string&) { return Refuse(); }

int ReadOnlyFileSystem::RemoveFile(const std::string&) { return Refuse(); }

bool ReadOnlyFileSystem::RemoveUnlockedFile(const std::string&) {
  Refuse();
  return false;
}

int ReadOnlyFileSystem::SetTimes(const std::string&, int64_t, int64_t) { return Refuse(); }

int ReadOnlyFileSystem::SetPermissions(const std::string&, uint32_t) { return Refuse(); }

int ReadOnlyFileSystem::AppendToFile(const std::string&, std::string_view) { return Refuse(); }

int ReadOnlyFileSystem::PutInTrash(const std::string&, bool, TrashEntry*) { return Refuse(); }

int ReadOnlyFileSystem::TakeOutOfTrash(const TrashEntry&) { return Refuse(); }

}  // namespace parvolind
