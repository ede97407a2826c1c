#pragma once

namespace parvolind::ui {

/// How the program ends, apart from the window so that it can be followed and tested
/// without widgets. Two ways lead out: the user's "B&eenden" and the end of the session.
/// Either way the program is ending from then on (questions waiting are answered No, the
/// job tick starts nothing). A run in progress is cancelled first and winds down to its
/// cancelled end; the program ends when the run has returned, so the log keeps its frame.
///
/// The session manager first only asks whether the session may end, and may still call
/// the logout off: agreeing writes the shutdown entry but leaves the program fully
/// working. The session ends for real with SIGTERM or the session manager's last word.
/// While the question during a run is open, every further request waits for its answer.
class ProgramExit {
 public:
  /// What the window does next.
  enum class Step {
    kEndNow,       ///< stop the job timer and leave the event loop
    kEndAfterRun,  ///< cancel the run; end when it has returned
  };

  /// "B&eenden" from the window menu or the tray. The user's stop entry is written when
  /// the window goes, unless the session's end has been logged.
  Step UserQuits(bool run_in_progress);

  /// The question "Möchten Sie den Vorgang abbrechen und Parvolind beenden?" is shown.
  void QuestionOpened() { question_open_ = true; }
  /// Whether that question is open: a further request gets no question of its own.
  bool QuestionOpen() const { return question_open_; }
  /// A request that the session end now came while the question was open; the answer
  /// decides it.
  void EndRequestedDuringQuestion() { end_requested_ = true; }
  /// The question was answered; returns whether the session is to end now (a request
  /// came meanwhile).
  bool QuestionClosed();

  /// The user let the session end (or no run was in progress) and the shutdown entry
  /// was written. The program goes on as before until the session really ends; the run
  /// in progress is no longer logged, since the shutdown entry closes the log.
  void SessionEndAgreed();
  /// The user answered No: the program carries on.
  void SessionEndRefused() { agreed_ = false; }
  /// Whether the session's end has been agreed and not called off since.
  bool SessionEndIsAgreed() const { return agreed_; }
  /// The session really ends (after it was agreed). Call once the shutdown entry is
  /// written: no log line may follow it.
  Step SessionEnds(bool run_in_progress);
  /// A run starts. One that starts after the session's end was agreed shows that the
  /// logout was called off: the log is open again and the end will be logged afresh.
  void RunStarts();

  /// Whether the program is ending (`ProgramEnding`).
  bool Ending() const { return ending_; }
  /// Whether the run in progress is to be cancelled, and the program to end when it has
  /// returned; the run stays cancelled even where it clears its request at its start.
  bool EndsAfterRun() const { return end_after_run_; }
  /// Whether a close request closes the window instead of minimising it: only while the
  /// program ends.
  bool CloseAllowed() const { return ending_; }
  /// Whether the session's end was logged; nothing may follow that entry.
  bool ShutdownLogged() const { return shutdown_logged_; }
  /// Whether the user's stop entry is due when the window goes.
  bool UserStopEntryDue() const { return !shutdown_logged_; }

 private:
  Step Leave(bool run_in_progress);

  bool ending_ = false;
  bool end_after_run_ = false;
  bool agreed_ = false;
  bool shutdown_logged_ = false;
  bool question_open_ = false;
  bool end_requested_ = false;
};

}  // namespace parvolind::ui
