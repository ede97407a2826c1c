// A job's run lock on Windows: a file held open without sharing. The system closes it when the
// process ends however it ends, so the lock of a killed run is free at once; releasing the lock
// removes the file, so a file found when the lock is taken was left by a process that died
// while it ran the job.

#include <windows.h>

#include <cstdio>

#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/run_lock.h"
#include "platform/windows/win_text.h"

namespace parvolind {
namespace {

using windows::LongPath;

// The lock file's name: the lower-cased job name with everything but letters, digits, '.', '_'
// and '-' escaped as %XX, so that names differing only in case share one lock.
std::string LockFileName(const std::string& job_name) {
  std::string escaped;
  for (const char raw : job_name) {
    const auto c = static_cast<unsigned char>(raw);
    if (c >= 'A' && c <= 'Z') {
      escaped += static_cast<char>(c - 'A' + 'a');
    } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               (c == '.' && !escaped.empty())) {
      escaped += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof(hex), "%%%02X", c);
      escaped += hex;
    }
  }
  if (escaped.size() > 180) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : escaped) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof(hex), "%016llx", static_cast<unsigned long long>(hash));
    escaped = escaped.substr(0, 150) + "-" + hex;
  }
  return "job-" + escaped + ".lock";
}

class WindowsRunLock : public RunLock {
 public:
  WindowsRunLock(HANDLE file, bool taken_over) : file_(file), taken_over_(taken_over) {}
  ~WindowsRunLock() override {
    FILE_DISPOSITION_INFO remove{};
    remove.DeleteFile = TRUE;
    SetFileInformationByHandle(file_, FileDispositionInfo, &remove, sizeof(remove));
    CloseHandle(file_);
  }
  WindowsRunLock(const WindowsRunLock&) = delete;
  WindowsRunLock& operator=(const WindowsRunLock&) = delete;
  bool TakenOver() const override { return taken_over_; }

 private:
  HANDLE file_;
  bool taken_over_;
};

class WindowsRunLocks : public RunLocks {
 public:
  explicit WindowsRunLocks(std::string directory) : directory_(std::move(directory)) {}

  RunLockStatus TryLock(const std::string& job_name, std::unique_ptr<RunLock>* lock) override {
    if (!CreateFileSystem()->CreateDirectoryPath(directory_)) return RunLockStatus::kFailed;
    const std::wstring path = LongPath(directory_ + "\\" + LockFileName(job_name));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED
                 ? RunLockStatus::kHeldElsewhere
                 : RunLockStatus::kFailed;
    }
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    *lock = std::make_unique<WindowsRunLock>(file, existed);
    return RunLockStatus::kAcquired;
  }

 private:
  std::string directory_;
};

}  // namespace

std::unique_ptr<RunLocks> CreateRunLocks(const std::string& directory) {
  return std::make_unique<WindowsRunLocks>(directory);
}

std::unique_ptr<RunLocks> CreateUserRunLocks() {
  return CreateRunLocks(RuntimeDirectory() + "\\parvolind");
}

}  // namespace parvolind
