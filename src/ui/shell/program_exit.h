#pragma once

namespace parvolind::ui {

/// How the program ends, apart from the window so that it can be followed and tested
/// without widgets. Two ways lead out: the user's "B&eenden" and the end of the session.
/// Either way the program is ending from then on (questions waiting are answered No, the
/// job tick starts nothing). A run in progress is cancelled first and winds down to its
/// cancelled end; the program ends when the run has returned, so the log keeps its frame.
class ProgramExit {
 public:
  /// What the window does next.
  enum class Step {
    kEndNow,       ///< stop the job timer and leave the event loop
    kEndAfterRun,  ///< cancel the run; end when it has returned
  };

  /// "B&eenden" from the window menu or the tray. The user's stop entry is written when
  /// the window goes.
  Step UserQuits(bool run_in_progress);
  /// The session ends and the user let it (or no run was in progress). Call after the
  /// shutdown entry was written: no log line may follow it, and the window may close.
  Step SessionEnds(bool run_in_progress);
  /// The user answered No at the session's end during a run: the program carries on and
  /// the window keeps minimising instead of closing.
  void SessionEndRefused() { close_allowed_ = false; }

  /// Whether the program is ending (`ProgramEnding`).
  bool Ending() const { return ending_; }
  /// Whether the run in progress is to be cancelled, and the program to end when it has
  /// returned; the run stays cancelled even where it clears its request at its start.
  bool EndsAfterRun() const { return end_after_run_; }
  /// Whether a close request closes the window instead of minimising it.
  bool CloseAllowed() const { return close_allowed_; }
  /// Whether the session's end was logged; nothing may follow that entry.
  bool ShutdownLogged() const { return shutdown_logged_; }
  /// Whether the user's stop entry is due when the window goes.
  bool UserStopEntryDue() const { return !shutdown_logged_; }

 private:
  Step Leave(bool run_in_progress);

  bool ending_ = false;
  bool end_after_run_ = false;
  bool close_allowed_ = false;
  bool shutdown_logged_ = false;
};

}  // namespace parvolind::ui
