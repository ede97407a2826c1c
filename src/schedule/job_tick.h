#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/registry_hive.h"
#include "schedule/schedule_computation.h"
#include "schedule/tick_host.h"

namespace parvolind {

/// The scheduler behind `TimerJobs`: the once-a-minute job tick, the manual run
/// and the holds on the timer (the open job wizard).
///
/// Ticks never overlap, and nothing else starts a run while a tick runs one or
/// waits for an answer: a manual run asked for during a tick is carried out when
/// the tick has ended, and the timer is started again only when no tick, no run
/// and no hold is left. No run starts under a hold: a tick that finds one (the
/// wizard was opened while a question waited) waits for its end before it goes on
/// with the next entry or starts a run, and so does a deferred manual run. After every wait the
/// tick looks its entry up again by job name and reopens the job's key, so an entry deleted or
/// renamed meanwhile is left alone and an edit saved meanwhile is seen.
class JobTick {
 public:
  JobTick(RegistryHive& hive, const Clock& clock, TickHost& host);

  /// The job tick (the window's `TimerJobsTimer` calls it): walks the job list once. Counts
  /// interval jobs down, recognises time-of-day jobs whose minute has come (once for each scheduled
  /// moment, also when the clock shows that minute twice), asks for confirmation
  /// where the job wants it, runs due jobs in list order and catches up missed
  /// timed runs. A job whose schedule cannot be worked out gets an empty schedule
  /// text, which the tick passes over from then on, and its error is shown once;
  /// the other entries go on. Any other failure ends the tick with an error box;
  /// the entries not yet examined wait for the next tick. Between two entries the host
  /// processes events (it may throttle that), so a long list never freezes the window.
  /// Ignored while a tick, a manual run or a hold is under way.
  void RunDueJobs();

  /// "Durchführen" (the window's `FlatButtonExecuteClick`): runs the selected job now, without a
  /// question and without touching its schedule text. Nothing happens without a selection or while
  /// a run is under way; during a tick the run is carried out when the tick has ended (the last
  /// request counts).
  void RunNow(const std::optional<std::string>& selected_job);

  /// Keeps `TimerJobs` stopped (the job wizard is open) until the matching
  /// ReleaseTimerJobs(). Holds nest.
  void HoldTimerJobs();
  /// Ends one hold and starts `TimerJobs` again, unless another hold remains or a
  /// tick or run is under way (whose end then starts it). A manual run asked for
  /// during a tick that ended under the hold is carried out now.
  void ReleaseTimerJobs();

  /// Whether a tick is under way (also while it waits for an answer).
  bool TickActive() const { return tick_active_; }
  /// Whether a manual run is under way.
  bool ManualRunActive() const { return manual_run_active_; }

 private:
  void ExamineEntry(const std::string& job_name, const std::string& clock_text);
  bool HandleDueJob(const std::string& job_name);
  void CatchUpMissedRun(const std::string& job_name);
  bool ConfirmWanted(const std::string& job_name) const;
  // Whether the moment the clock shows has had its run: the job's NextSync lies ahead.
  bool RunForThisMoment(const std::string& job_name) const;
  bool RunJob(const std::string& job_name);
  void ManualRun(const std::string& job_name);
  void SetFreshScheduleText(const std::string& job_name);
  void WriteNextSync(const std::string& job_name);
  void WriteChoice(const std::string& job_name, const char* value_name, int value);
  bool EntryExists(const std::string& job_name) const;
  bool StillWanted(const std::string& job_name) const;
  void WaitWhileHeld();
  void RunDeferred();
  void StartTimerJobsIfFree();

  RegistryHive& hive_;
  const Clock& clock_;
  TickHost& host_;
  ScheduleComputation schedule_;
  bool tick_active_ = false;
  bool manual_run_active_ = false;
  int holds_ = 0;
  std::optional<std::string> deferred_run_;
  /// The schedule text the tick itself last gave the entry it examines.
  std::string written_text_;
};

}  // namespace parvolind
