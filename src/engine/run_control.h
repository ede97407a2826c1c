#pragma once

namespace parvolind {

/// The run's cancel request (`CancelRequested`) and the flag that a run is under way
/// (`RunInProgress`): set by whoever holds the run (the window's cancel button, Ctrl-C
/// in the terminal), read and cleared by the run.
class RunControl {
 public:
  /// Whether the run is to stop at its next check.
  bool CancelRequested() const { return cancel_requested_ || cancel_held_; }
  /// Asks for the cancel, or withdraws the request (a run does at its start and end).
  void SetCancelRequested(bool requested) { cancel_requested_ = requested; }
  /// A cancel that no run clears: the program is ending, and every run from now on
  /// stops at its first check.
  void HoldCancel() { cancel_held_ = true; }

  /// Whether a run is under way; a second run is refused while it is.
  bool RunInProgress() const { return run_in_progress_; }
  void SetRunInProgress(bool running) { run_in_progress_ = running; }

 private:
  bool cancel_requested_ = false;
  bool cancel_held_ = false;
  bool run_in_progress_ = false;
};

}  // namespace parvolind
