#pragma once

namespace parvolind {

/// Turns Ctrl-C (SIGINT) and SIGTERM into a request that the program polls, so a
/// run can wind down at its next cancel point instead of dying in the middle of
/// its work. A second signal of the same kind ends the process the usual way.
/// Only one watch should exist at a time; the previous handlers come back when
/// it is destroyed.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  /// Whether a signal arrived since the watch began (or since Clear()).
  bool Requested() const;
  /// Forgets an earlier signal.
  void Clear();
};

}  // namespace parvolind
