#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/job_list_host.h"

namespace parvolind {

/// The user's answer to one of the two questions, with the state in which the
/// user left the question's "Dieses Fenster nicht mehr anzeigen." box.
struct QuestionAnswer {
  bool yes = false;         ///< false for "No" and for a question closed by other means
  bool box_ticked = false;  ///< the check box as it was when the question ended
};

/// What the job tick and the manual run need of the main window, besides the job
/// list: the job timer, event processing, the two questions and the run.
class TickHost : public JobListHost {
 public:
  /// Stops `TimerJobs`.
  virtual void StopTimerJobs() = 0;
  /// Starts `TimerJobs` if it is not running; its next tick comes a full interval
  /// (60000 ms) from now.
  virtual void StartTimerJobs() = 0;

  /// Lets pending window events be processed.
  virtual void ProcessEvents() = 0;
  /// Processes window events, without keeping the processor busy, until `done` returns
  /// true or the program ends (a tick waiting for the job wizard to close).
  virtual void WaitUntil(const std::function<bool()>& done) = 0;

  /// Shows `TFormConfirm` for `job_name` (its text from ConfirmQuestionText()) and
  /// returns when it has been answered or closed; events are processed meanwhile,
  /// without keeping the processor busy. The check box belongs to the window and
  /// keeps its state from one question to the next, for any job. A window closed
  /// by other means than its two buttons (or the program ending) answers "No".
  virtual QuestionAnswer AskConfirmation(const std::string& job_name) = 0;
  /// Shows `TFormRecover` (text from RecoverQuestionText()) the same way.
  virtual QuestionAnswer AskRecovery(const std::string& job_name) = 0;

  /// `RunInProgress` of the main window: a run is under way.
  virtual bool RunInProgress() const = 0;
  /// Whether the program is ending ("B&eenden", the end of the session). A tick
  /// that learns this after a wait examines no further entry and starts no run.
  virtual bool ProgramEnding() const = 0;
  /// Runs the job to its end: a forwarder to SynchronisationRun::ExecuteSynchronisation,
  /// with the host's run options. The run handles its own
  /// failures and writes the job's `NextSync` when it ends.
  virtual void ExecuteSynchronisation(const std::string& job_name) = 0;
};

/// "Auftrag '<job>' hat den Synchronisationszeitpunkt erreicht." (`LabelConfirm1`).
std::string ConfirmQuestionText(const std::string& job_name);
/// "Auftrag '<job>' konnte beim letzten Synchronisationszeitpunkt nicht
/// durchgeführt werden." (`LabelRecover1`).
std::string RecoverQuestionText(const std::string& job_name);

}  // namespace parvolind
