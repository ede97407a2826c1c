#pragma once

#include <memory>
#include <string>

namespace parvolind {

/// A job's run lock while it is held; destroying it releases the lock.
class RunLock {
 public:
  virtual ~RunLock() = default;
  /// Whether the lock was left behind by a process that died while it ran the
  /// job (so that its unfinished work may lie about).
  virtual bool TakenOver() const = 0;
};

/// Outcome of an attempt to take a job's run lock.
enum class RunLockStatus {
  kAcquired,       ///< the lock is ours until the RunLock object goes
  kHeldElsewhere,  ///< a live process (this one included) runs the job already
  kFailed,         ///< the lock file could not be made (folder missing, no permission)
};

/// Per-job locks shared by every process of the user (the desktop program and
/// every parvolind-cli), so that one job never runs twice at the same time.
/// Job names compare without regard to case, as the job store's key names do.
/// The lock of a process that died is taken over at once.
class RunLocks {
 public:
  virtual ~RunLocks() = default;
  /// Tries once, without waiting, to take the lock of `job_name`. On kAcquired
  /// `*lock` holds it.
  virtual RunLockStatus TryLock(const std::string& job_name, std::unique_ptr<RunLock>* lock) = 0;
};

/// Locks kept as files in `directory` (created when missing).
std::unique_ptr<RunLocks> CreateRunLocks(const std::string& directory);

/// Locks kept in the user's runtime folder (on Linux $XDG_RUNTIME_DIR/parvolind).
std::unique_ptr<RunLocks> CreateUserRunLocks();

}  // namespace parvolind
