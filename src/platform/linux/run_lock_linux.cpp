#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QString>
#include <cstdint>
#include <cstdio>

#include "platform/app_paths.h"
#include "platform/linux/private_folder_linux.h"
#include "platform/run_lock.h"

namespace parvolind {
namespace {

// A lock file that holds no owner (its writer died between creating and filling
// it) is taken over once it is this old; a live writer fills it in microseconds.
constexpr qint64 kUnreadableLockAgeMs = 10000;

// File name of a job's lock: the lower-cased name with everything but letters,
// digits, '.', '_' and '-' escaped as %XX, so that names differing only in case
// share one lock and no name can leave the folder. Very long names are cut and
// carry a hash of the whole name.
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
    for (const char c : escaped) {
      hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof(hex), "%016llx", static_cast<unsigned long long>(hash));
    escaped = escaped.substr(0, 150) + "-" + hex;
  }
  return "job-" + escaped + ".lock";
}

class QtRunLock : public RunLock {
 public:
  QtRunLock(std::unique_ptr<QLockFile> file, bool taken_over)
      : file_(std::move(file)), taken_over_(taken_over) {}
  ~QtRunLock() override { file_->unlock(); }
  bool TakenOver() const override { return taken_over_; }

 private:
  std::unique_ptr<QLockFile> file_;
  bool taken_over_;
};

class QtRunLocks : public RunLocks {
 public:
  explicit QtRunLocks(std::string directory) : directory_(std::move(directory)) {}

  RunLockStatus TryLock(const std::string& job_name, std::unique_ptr<RunLock>* lock) override {
    const QString folder = QString::fromStdString(directory_);
    if (!CreatePrivateFolderPath(directory_)) return RunLockStatus::kFailed;
    const QString path = folder + QLatin1Char('/') + QString::fromStdString(LockFileName(job_name));
    // A lock file that is there before we take the lock was left by a dead owner.
    const bool existed = QFileInfo::exists(path);
    auto file = std::make_unique<QLockFile>(path);
    // Only a live owner keeps the lock: a killed run's lock is taken over at once.
    file->setStaleLockTime(0);
    if (file->tryLock(0)) {
      *lock = std::make_unique<QtRunLock>(std::move(file), existed);
      return RunLockStatus::kAcquired;
    }
    if (file->error() != QLockFile::LockFailedError) return RunLockStatus::kFailed;
    qint64 pid = 0;
    QString host;
    QString app;
    if (!file->getLockInfo(&pid, &host, &app)) {
      const QDateTime modified = QFileInfo(path).lastModified();
      if (modified.isValid() &&
          modified.msecsTo(QDateTime::currentDateTime()) > kUnreadableLockAgeMs &&
          file->removeStaleLockFile() && file->tryLock(0)) {
        *lock = std::make_unique<QtRunLock>(std::move(file), true);
        return RunLockStatus::kAcquired;
      }
    }
    return RunLockStatus::kHeldElsewhere;
  }

 private:
  std::string directory_;
};

}  // namespace

std::unique_ptr<RunLocks> CreateRunLocks(const std::string& directory) {
  return std::make_unique<QtRunLocks>(directory);
}

std::unique_ptr<RunLocks> CreateUserRunLocks() {
  return CreateRunLocks(RuntimeDirectory() + "/parvolind");
}

}  // namespace parvolind
