#pragma once

#include <functional>
#include <memory>

namespace parvolind {

/// Notices the end of the user's session: on Linux the SIGTERM that the session
/// manager or systemd sends at logout and shutdown. The signal handler only
/// writes a byte into a socket pair; the callback runs later from the event loop,
/// where it may ask the user, write the log and quit. While a watch exists, a
/// SIGTERM no longer ends the process by itself. Only one watch should exist at a
/// time; the previous signal handling comes back when it is destroyed. On Windows
/// a hidden window of the watch's own gets the system's question whether the
/// session may end (WM_QUERYENDSESSION); the callback runs from the message loop
/// of the thread that made the watch, and the answer comes from SetAnswer().
class SessionEndWatch {
 public:
  /// Starts watching. Needs a QCoreApplication (or QApplication) to exist.
  explicit SessionEndWatch(std::function<void()> on_session_end);
  ~SessionEndWatch();
  SessionEndWatch(const SessionEndWatch&) = delete;
  SessionEndWatch& operator=(const SessionEndWatch&) = delete;

  /// Whether the watch could be set up (a socket pair, or the window, was available).
  bool Active() const;

  /// Where the system asks before the session ends (Windows): whether it may end, asked right
  /// after the callback (the session may end when no answer was set). On Linux the session ends
  /// whatever is answered; the callback decides by quitting or not.
  void SetAnswer(std::function<bool()> may_end);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace parvolind
