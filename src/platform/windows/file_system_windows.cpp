// The file system on Windows: kernel32 calls on wide long paths ("\\?\C:\..."), so that paths
// beyond 260 characters and every character a name may hold work. The attributes a copy carries
// (read-only, hidden, system, archive) travel in FileStatus::mode.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "platform/helper_threads.h"
#include "platform/windows/win_text.h"

namespace parvolind {
namespace {

using windows::ErrnoOf;
using windows::LongPath;
using windows::Narrow;
using windows::PathErrnoOf;
using windows::ShortForm;

constexpr int64_t kFileTimeToUnixEpoch = 116444736000000000LL;  // 100 ns steps 1601 to 1970
constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int64_t NanosecondsOf(const FILETIME& time) {
  const int64_t ticks =
      static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kFileTimeToUnixEpoch) * 100;
}

FILETIME FileTimeOf(int64_t nanoseconds) {
  // Rounded down to the 100 ns the file system keeps.
  int64_t ticks = nanoseconds / 100 - (nanoseconds % 100 < 0 ? 1 : 0);
  ticks += kFileTimeToUnixEpoch;
  const auto value = static_cast<uint64_t>(std::max<int64_t>(ticks, 0));
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

int LastErrno() { return ErrnoOf(GetLastError()); }

FileStatus StatusOfHandle(HANDLE handle) {
  FileStatus status;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return status;
  status.exists = true;
  status.is_directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.is_link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  status.is_regular = !status.is_directory && GetFileType(handle) == FILE_TYPE_DISK;
  status.size =
      static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  status.allocated = status.size;
  status.mtime_ns = NanosecondsOf(info.ftLastWriteTime);
  status.atime_ns = NanosecondsOf(info.ftLastAccessTime);
  status.mode = info.dwFileAttributes & kCarriedAttributes;
  status.device = info.dwVolumeSerialNumber;
  status.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return status;
}

// Opens a path only to look at it: no read or write access, so that a file another program
// holds open without sharing can still be looked at.
HANDLE OpenForLooking(const std::wstring& path, bool follow_links) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;  // folders too
  if (!follow_links) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags,
                     nullptr);
}

FileStatus StatusOfPath(const std::string& path, bool follow_links) {
  const std::wstring wide = LongPath(path);
  HANDLE handle = OpenForLooking(wide, follow_links);
  if (handle == INVALID_HANDLE_VALUE) {
    // A file in use by the system (a paging file, say) cannot even be opened for a look; the
    // directory entry still tells what it is.
    const DWORD open_error = GetLastError();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
      FileStatus missing;
      const DWORD code = open_error == ERROR_SHARING_VIOLATION ? GetLastError() : open_error;
      missing.error = PathErrnoOf(code, path);
      if (missing.error == 0) missing.error = EIO;
      return missing;
    }
    FileStatus status;
    status.exists = true;
    status.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.is_regular = !status.is_directory;
    status.is_link = !follow_links && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    status.size =
        static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    status.allocated = status.size;
    status.mtime_ns = NanosecondsOf(data.ftLastWriteTime);
    status.atime_ns = NanosecondsOf(data.ftLastAccessTime);
    status.mode = data.dwFileAttributes & kCarriedAttributes;
    return status;
  }
  FileStatus status = StatusOfHandle(handle);
  CloseHandle(handle);
  if (follow_links) status.is_link = false;
  return status;
}

class WindowsDirectoryStream : public DirectoryStream {
 public:
  WindowsDirectoryStream(HANDLE find, const WIN32_FIND_DATAW& first, std::string path)
      : find_(find), data_(first), path_(std::move(path)) {}
  ~WindowsDirectoryStream() override { FindClose(find_); }
  WindowsDirectoryStream(const WindowsDirectoryStream&) = delete;
  WindowsDirectoryStream& operator=(const WindowsDirectoryStream&) = delete;

  bool Next(std::string_view& name, EntryType& type) override {
    for (;;) {
      if (!have_data_) {
        if (!FindNextFileW(find_, &data_)) {
          const DWORD code = GetLastError();
          error_ = code == ERROR_NO_MORE_FILES ? 0 : ErrnoOf(code);
          return false;
        }
      }
      have_data_ = false;
      const std::wstring_view wide(data_.cFileName);
      if (wide == L"." || wide == L"..") continue;
      name_ = Narrow(wide);
      name = name_;
      const DWORD attributes = data_.dwFileAttributes;
      if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
          (data_.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
           data_.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT)) {
        type = EntryType::kLink;
      } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        type = EntryType::kDirectory;
      } else if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        type = EntryType::kOther;
      } else {
        type = EntryType::kRegular;
      }
      return true;
    }
  }

  FileStatus Status() override { return StatusOfPath(path_, true); }

  // Find data can lag behind a file still being written, so the entry is looked at by its path.
  FileStatus EntryStatus(bool follow_links) override {
    std::string entry = path_;
    if (!entry.empty() && entry.back() != '\\' && entry.back() != '/') entry.push_back('\\');
    entry.append(name_);
    return StatusOfPath(entry, follow_links);
  }

  int Error() const override { return error_; }

 private:
  HANDLE find_;
  int error_ = 0;
  WIN32_FIND_DATAW data_;
  bool have_data_ = true;
  std::string path_;
  std::string name_;
};

class WindowsFile : public File {
 public:
  explicit WindowsFile(HANDLE handle) : handle_(handle) {}
  ~WindowsFile() override { Close(); }
  WindowsFile(const WindowsFile&) = delete;
  WindowsFile& operator=(const WindowsFile&) = delete;

  FileStatus Status() override {
    FileStatus status = StatusOfHandle(handle_);
    if (!status.exists) error_ = LastErrno();
    return status;
  }

  int64_t Read(void* buffer, int64_t size) override {
    auto* bytes = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < size) {
      const DWORD wanted = static_cast<DWORD>(std::min<int64_t>(size - done, 1 << 30));
      DWORD got = 0;
      if (!ReadFile(handle_, bytes + done, wanted, &got, nullptr)) {
        error_ = LastErrno();
        return done > 0 ? done : -1;
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  bool Write(const void* data, int64_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    int64_t done = 0;
    while (done < size) {
      const DWORD wanted = static_cast<DWORD>(std::min<int64_t>(size - done, 1 << 30));
      DWORD written = 0;
      if (!WriteFile(handle_, bytes + done, wanted, &written, nullptr) || written == 0) {
        error_ = LastErrno();
        if (error_ == 0) error_ = ENOSPC;
        return false;
      }
      done += written;
    }
    return true;
  }

  bool Resize(int64_t size) override {
    LARGE_INTEGER position{};
    LARGE_INTEGER zero{};
    LARGE_INTEGER target{};
    target.QuadPart = size;
    if (!SetFilePointerEx(handle_, zero, &position, FILE_CURRENT) ||
        !SetFilePointerEx(handle_, target, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
      error_ = LastErrno();
      return false;
    }
    SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN);
    return true;
  }

  bool SetTimes(int64_t atime_ns, int64_t mtime_ns) override {
    const FILETIME access = FileTimeOf(atime_ns);
    const FILETIME write = FileTimeOf(mtime_ns);
    if (!SetFileTime(handle_, nullptr, &access, &write)) {
      error_ = LastErrno();
      return false;
    }
    return true;
  }

  bool SetPermissions(uint32_t mode) override {
    FILE_BASIC_INFO info{};
    // Zero times leave them as they are; a file needs at least the normal attribute.
    const DWORD attributes = mode & kCarriedAttributes;
    info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(handle_, FileBasicInfo, &info, sizeof(info))) {
      error_ = LastErrno();
      return false;
    }
    return true;
  }

  bool SetOwner(uint32_t, uint32_t) override { return true; }  // a new file is the user's own

  bool SyncData() override {
    if (!FlushFileBuffers(handle_)) {
      error_ = LastErrno();
      return false;
    }
    return true;
  }

  bool StartWriteBack() override { return true; }  // the cache manager writes behind by itself

  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const bool closed = CloseHandle(handle_) != 0;
    if (!closed) error_ = LastErrno();
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

  int LastError() const override { return error_; }

 private:
  HANDLE handle_;
  int error_ = 0;
};

// Clears the attributes that keep a file from being replaced or removed, runs `work`, and puts
// them back when the work failed. Returns the work's Windows error code.
template <typename Work>
DWORD WithAttributesLifted(const std::wstring& path, Work work) {
  if (work()) return ERROR_SUCCESS;
  DWORD error = GetLastError();
  if (error != ERROR_ACCESS_DENIED) return error;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) ==
          0) {
    return error;
  }
  if (!SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) return error;
  if (work()) return ERROR_SUCCESS;
  error = GetLastError();
  SetFileAttributesW(path.c_str(), attributes);
  return error;
}

std::string RandomCharacters(size_t count) {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}() ^
                                         (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                                         GetTickCount64()};
  std::uniform_int_distribution<size_t> pick(0, sizeof(kAlphabet) - 2);
  std::string text;
  for (size_t i = 0; i < count; ++i) text.push_back(kAlphabet[pick(generator)]);
  return text;
}

class WindowsFileSystem : public FileSystem {
 public:
  FileStatus Stat(const std::string& path) override { return StatusOfPath(path, true); }

  FileStatus LinkStatus(const std::string& path) override { return StatusOfPath(path, false); }

  std::unique_ptr<DirectoryStream> OpenDirectory(const std::string& path, int* error) override {
    std::wstring pattern = LongPath(path);
    if (!pattern.ends_with(L'\\')) pattern.push_back(L'\\');
    pattern.push_back(L'*');
    WIN32_FIND_DATAW first;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &first, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (error) *error = code == ERROR_DIRECTORY ? ENOTDIR : ErrnoOf(code);
      return nullptr;
    }
    return std::make_unique<WindowsDirectoryStream>(find, first, path);
  }

  bool CreateDirectoryPath(const std::string& path) override {
    const std::wstring full = LongPath(path);
    // Everything up to the root ("\\?\C:\", "\\?\UNC\server\share\") exists or never will.
    size_t start = 4;
    if (full.starts_with(L"\\\\?\\UNC\\")) {
      start = full.find(L'\\', 8);
      start = start == std::wstring::npos ? full.size() : full.find(L'\\', start + 1);
    } else {
      start = full.find(L'\\', 4);
    }
    if (start == std::wstring::npos) start = full.size();
    for (size_t end = start; end < full.size();) {
      end = full.find(L'\\', end + 1);
      if (end == std::wstring::npos) end = full.size();
      const std::wstring part = full.substr(0, end);
      if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(part.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
          return false;
        }
      }
    }
    const DWORD attributes = GetFileAttributesW(full.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  std::unique_ptr<File> OpenForReading(const std::string& path, int* error,
                                       FileStatus* status) override {
    // Others may go on reading, writing, renaming and deleting the file while it is read.
    HANDLE handle = CreateFileW(LongPath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (error) *error = LastErrno();
      return nullptr;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
      // A pipe or a device could keep a read waiting for ever.
      CloseHandle(handle);
      if (error) *error = EINVAL;
      return nullptr;
    }
    auto file = std::make_unique<WindowsFile>(handle);
    if (status) *status = file->Status();
    return file;
  }

  std::unique_ptr<File> CreateTemporaryFile(const std::string& directory, std::string_view prefix,
                                            std::string* created_path, int* error) override {
    const std::string base =
        directory + std::string(prefix) + std::to_string(GetCurrentProcessId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string path = base + RandomCharacters(10);
      // No delete sharing: while the file is open, RemoveUnlockedFile() cannot take it away.
      HANDLE handle =
          CreateFileW(LongPath(path).c_str(), GENERIC_READ | GENERIC_WRITE | FILE_WRITE_ATTRIBUTES,
                      FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        if (created_path) *created_path = path;
        return std::make_unique<WindowsFile>(handle);
      }
      const DWORD code = GetLastError();
      if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
        if (error) *error = ErrnoOf(code);
        return nullptr;
      }
    }
    if (error) *error = EEXIST;
    return nullptr;
  }

  std::unique_ptr<File> CreateUnnamedFile(const std::string&, int* error, uint32_t) override {
    // Windows files always have a name from the start.
    if (error) *error = ENOSYS;
    return nullptr;
  }

  int LinkFile(File&, const std::string&) override { return EBADF; }

  int64_t CopyBlock(File& source, File& target, int64_t size, std::vector<char>& buffer) override {
    if (buffer.size() < 1 << 16) buffer.resize(1 << 16);
    int64_t done = 0;
    while (done < size) {
      const int64_t wanted = std::min<int64_t>(size - done, static_cast<int64_t>(buffer.size()));
      const int64_t got = source.Read(buffer.data(), wanted);
      if (got < 0) return -1;
      if (got == 0) break;
      if (!target.Write(buffer.data(), got)) return -1;
      done += got;
    }
    return done;
  }

  void ForEachSideBySide(size_t count, const std::function<void(size_t)>& work) override {
    const size_t threads = std::min<size_t>(count, 8);
    if (threads <= 1) {
      for (size_t i = 0; i < count; ++i) work(i);
      return;
    }
    std::atomic<size_t> next{0};
    std::vector<std::thread> pool;
    for (size_t t = 0; t < threads; ++t) {
      pool.emplace_back([&] {
        for (size_t i = next++; i < count; i = next++) work(i);
      });
    }
    for (std::thread& thread : pool) thread.join();
  }

  size_t WorkThreads() override {
    // More threads than this gain little on metadata a walk reads.
    constexpr unsigned kDefaultThreadCap = 8;
    constexpr long kMostThreads = 64;
    if (const char* asked = std::getenv("PARVOLIND_THREADS"); asked != nullptr && *asked != '\0') {
      char* end = nullptr;
      const long count = std::strtol(asked, &end, 10);
      if (*end == '\0' && count >= 1) return static_cast<size_t>(std::min(count, kMostThreads));
    }
    const unsigned processors = std::thread::hardware_concurrency();
    return std::clamp(processors, 1u, kDefaultThreadCap);
  }

  std::unique_ptr<HelperThreads> StartHelperThreads(size_t count) override {
    return StartStandardHelperThreads(count);
  }

  int Rename(const std::string& from, const std::string& to) override {
    const std::wstring source = LongPath(from);
    const std::wstring target = LongPath(to);
    // A target that another program holds open without allowing its removal is not replaced
    // behind that program's back (some file systems would let the rename through).
    HANDLE probe = CreateFileW(target.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
      CloseHandle(probe);
    } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
      return EBUSY;
    }
    // A read-only, hidden or system target is replaced all the same: the new file brings the
    // attributes it is to have.
    const DWORD code = WithAttributesLifted(target, [&] {
      return MoveFileExW(source.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
    return ErrnoOf(code);
  }

  int RemoveFile(const std::string& path) override {
    const std::wstring wide = LongPath(path);
    // A read-only file is removed like any other, as removing a name is on Linux.
    return ErrnoOf(WithAttributesLifted(wide, [&] { return DeleteFileW(wide.c_str()) != 0; }));
  }

  bool RemoveUnlockedFile(const std::string& path) override {
    // A temporary file still being written is open without delete sharing, so this fails.
    return DeleteFileW(LongPath(path).c_str()) != 0;
  }

  int SetTimes(const std::string& path, int64_t atime_ns, int64_t mtime_ns) override {
    HANDLE handle = CreateFileW(LongPath(path).c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastErrno();
    const FILETIME access = FileTimeOf(atime_ns);
    const FILETIME write = FileTimeOf(mtime_ns);
    const int result = SetFileTime(handle, nullptr, &access, &write) ? 0 : LastErrno();
    CloseHandle(handle);
    return result;
  }

  int SetPermissions(const std::string& path, uint32_t mode) override {
    const std::wstring wide = LongPath(path);
    const DWORD current = GetFileAttributesW(wide.c_str());
    if (current == INVALID_FILE_ATTRIBUTES) return LastErrno();
    DWORD attributes = (current & ~kCarriedAttributes) | (mode & kCarriedAttributes);
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(wide.c_str(), attributes) ? 0 : LastErrno();
  }

  std::string RealPath(const std::string& path) override {
    HANDLE handle = OpenForLooking(LongPath(path), true);
    if (handle == INVALID_HANDLE_VALUE) return {};
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(
        handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    if (length >= buffer.size()) {
      buffer.resize(length + 1);
      length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                         FILE_NAME_NORMALIZED);
    }
    CloseHandle(handle);
    if (length == 0 || length >= buffer.size()) return {};
    buffer.resize(length);
    std::string real = ShortForm(buffer);
    // A root keeps its separator ("C:\"), any other folder has none at the end.
    while (real.size() > 3 && real.back() == '\\') real.pop_back();
    return real;
  }

  int AppendToFile(const std::string& path, std::string_view bytes) override {
    HANDLE handle =
        CreateFileW(LongPath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      return PathErrnoOf(GetLastError(), path);
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
      CloseHandle(handle);
      return EACCES;  // a pipe or device in the file's place
    }
    WindowsFile file(handle);
    if (!file.Write(bytes.data(), static_cast<int64_t>(bytes.size()))) {
      const int error = file.LastError();
      file.Close();
      return error;
    }
    return file.Close() ? 0 : file.LastError();
  }

  std::string MountPointOf(const std::string& path) override {
    const std::wstring wide = LongPath(path);
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    std::wstring buffer(wide.size() + MAX_PATH, L'\0');
    if (!GetVolumePathNameW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()))) {
      return {};
    }
    buffer.resize(wcslen(buffer.c_str()));
    return ShortForm(buffer);
  }

  // The recycle bin is not reached yet: the shell's own delete into it empties a drive that has
  // none (a USB stick) for good, without a word. So a run that is to keep what it deletes or
  // replaces fails those files and keeps them, and a run with the trash switched off deletes.
  int PutInTrash(const std::string& path, bool, TrashEntry*) override {
    const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastErrno();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
    return ENOSYS;
  }

  int TakeOutOfTrash(const TrashEntry&) override { return ENOSYS; }

  LocalTime LocalTimeOf(int64_t utc_ns) override {
    const FILETIME utc = FileTimeOf(utc_ns);
    SYSTEMTIME universal;
    SYSTEMTIME local;
    // The zone's rules for the moment's own date, so that a summer file keeps its summer hour.
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
      return LocalTime{};
    }
    return LocalTime{local.wYear,   local.wMonth,  local.wDay,         local.wHour,
                     local.wMinute, local.wSecond, local.wMilliseconds};
  }
};

}  // namespace

std::unique_ptr<FileSystem> CreateFileSystem() { return std::make_unique<WindowsFileSystem>(); }

}  // namespace parvolind
