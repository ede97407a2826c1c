#pragma once

#include <functional>
#include <memory>
#include <string>

namespace parvolind {

/// Which instance of the desktop program this process is.
enum class InstanceRole {
  kFirst,   ///< no other instance runs; this one holds the lock until it ends
  kSecond,  ///< another instance of the same user runs already
};

/// The desktop program's single-instance marker: a lock that exists exactly as
/// long as the first instance runs (the lock of a killed instance is taken over
/// at once), and a way through which a later instance asks the first one to show
/// its window. On Linux a lock file and a local socket in a folder of the user's
/// own; on Windows the named mutex "Parvolind" and a message-only window of the
/// user's session. Instances of different users never meet.
class InstanceLock {
 public:
  /// A lock kept in `directory` (created when missing; on Windows the folder only gives the
  /// lock names of its own).
  explicit InstanceLock(std::string directory);
  /// The user's lock (on Linux in $XDG_RUNTIME_DIR/parvolind, on Windows named "Parvolind").
  InstanceLock();
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  /// Takes the lock if no other instance holds it. A folder that cannot be made
  /// or a lock file that cannot be written counts as kFirst, so the program still
  /// starts. The first instance starts listening for show requests; they reach
  /// the handler from the event loop, so an event loop must run to receive them.
  /// Calling it again returns the role found the first time.
  InstanceRole TryAcquire();

  /// The function the first instance calls, from the event loop, whenever a
  /// later instance asks it to show its window. Replaces an earlier handler.
  void SetShowRequestHandler(std::function<void()> handler);

  /// For a second instance: asks the first one to show its window, waiting at
  /// most `timeout_ms` milliseconds. Returns whether the request was delivered.
  bool RequestShowFirst(int timeout_ms = 1000);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace parvolind
