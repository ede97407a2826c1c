#include "schedule/job_tick.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <exception>
#include <string_view>

#include "store/date_time.h"
#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

constexpr std::string_view kMinutesMark = "Minute(n)";
constexpr std::string_view kDueCount = "0 Minute(n)";
constexpr std::string_view kClockMark = "Uhr";

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// Texts of jobs that the tick leaves alone entirely; an empty one belongs to a job whose
// schedule could not be worked out.
bool IsSkipped(std::string_view text) {
  return text.empty() || text == kScheduleTextInactive || text == kScheduleTextManual;
}

// One minute off an interval count-down ("10 Minute(n)" gives "9 Minute(n)"). A
// count that is already at 0 or below (an interval stored as 0 or less) stays at
// 0, so the job is due instead of counting into negative numbers for ever.
std::string CountDown(std::string_view text) {
  std::string_view number =
      text.substr(0, text.size() - std::min(text.size(), kMinutesSuffix.size()));
  int64_t minutes = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), minutes);
  if (number.empty() || error != std::errc() || end != number.data() + number.size()) {
    throw ConversionError("'" + std::string(number) + "' ist kein gültiger Integerwert");
  }
  return std::to_string(std::max<int64_t>(minutes - 1, 0)) + std::string(kMinutesSuffix);
}

}  // namespace

JobTick::JobTick(RegistryHive& hive, const Clock& clock, TickHost& host)
    : hive_(hive), clock_(clock), host_(host), schedule_(hive, clock) {}

void JobTick::RunDueJobs() {
  // The timer is stopped for the whole tick and for every run, so a tick that
  // still arrives now (queued before the stop) must not start a second walk.
  // A tick held back by the open wizard waits for the wizard to close.
  if (tick_active_ || manual_run_active_ || holds_ > 0) return;
  tick_active_ = true;
  host_.StopTimerJobs();
  try {
    // Taken once: every job of this tick is compared with the same minute.
    const std::string clock_text = schedule_.ClockText() + " " + std::string(kClockMark);
    host_.ProcessEvents();
    // The names are taken once; each is looked up again when its turn comes, as
    // the list may change while an earlier job waits for an answer or runs.
    bool first = true;
    for (const std::string& job_name : host_.EntryNames()) {
      // The window gets its events between entries, so that a long list does not freeze
      // it; whatever the user does meanwhile the next entries see, as after a question.
      if (!first) host_.ProcessEvents();
      first = false;
      if (host_.ProgramEnding()) break;
      try {
        ExamineEntry(job_name, clock_text);
      } catch (const ConversionError& error) {
        // A job whose schedule cannot be worked out (a time such as "xx:yy") is left out from
        // now on, and its error shown this once; the jobs after it still run.
        if (EntryExists(job_name)) host_.SetScheduleText(job_name, std::string());
        host_.ShowError(error.what());
      }
    }
  } catch (const std::exception& error) {
    host_.ShowError(error.what());
  }
  tick_active_ = false;
  // Under a hold the deferred run waits for its end.
  if (holds_ == 0) RunDeferred();
  StartTimerJobsIfFree();
}

void JobTick::RunDeferred() {
  if (!deferred_run_) return;
  const std::string job_name = std::move(*deferred_run_);
  deferred_run_.reset();
  if (EntryExists(job_name) && !host_.RunInProgress() && !host_.ProgramEnding()) {
    ManualRun(job_name);
  }
}

void JobTick::RunNow(const std::optional<std::string>& selected_job) {
  if (!selected_job) return;
  if (tick_active_) {
    deferred_run_ = *selected_job;
    return;
  }
  if (manual_run_active_ || host_.RunInProgress() || host_.ProgramEnding()) return;
  ManualRun(*selected_job);
  StartTimerJobsIfFree();
}

void JobTick::HoldTimerJobs() {
  ++holds_;
  host_.StopTimerJobs();
}

void JobTick::ReleaseTimerJobs() {
  if (holds_ > 0) --holds_;
  if (holds_ == 0 && !tick_active_ && !manual_run_active_) RunDeferred();
  StartTimerJobsIfFree();
}

void JobTick::WaitWhileHeld() {
  if (holds_ == 0) return;
  host_.WaitUntil([this] { return holds_ == 0; });
}

void JobTick::ExamineEntry(const std::string& job_name, const std::string& clock_text) {
  const std::optional<std::string> text = host_.ScheduleText(job_name);
  if (!text || IsSkipped(*text)) return;

  const std::string advanced =
      Contains(*text, kMinutesMark) ? CountDown(*text) : schedule_.SetMinutesText(job_name);
  host_.SetScheduleText(job_name, advanced);
  written_text_ = advanced;
  // Nothing may start while a run is under way. A due interval job then stays at
  // "0 Minute(n)" and a missed moment stays in `NextSync`, so the next tick takes
  // them up.
  if (host_.RunInProgress()) return;

  const bool due = advanced == kDueCount || (Contains(advanced, kClockMark) &&
                                             advanced == clock_text && !RunForThisMoment(job_name));
  if (due && !HandleDueJob(job_name)) return;
  CatchUpMissedRun(job_name);
}

bool JobTick::HandleDueJob(const std::string& job_name) {
  host_.SetScheduleText(job_name, std::string(kScheduleTextRunning));
  written_text_ = kScheduleTextRunning;
  host_.ProcessEvents();
  if (!StillWanted(job_name)) return false;

  bool run = true;
  if (ConfirmWanted(job_name)) {
    const QuestionAnswer answer = host_.AskConfirmation(job_name);
    if (!StillWanted(job_name)) return false;
    WriteChoice(job_name, "Confirm", answer.box_ticked ? 0 : 1);
    run = answer.yes;
  }
  if (run) {
    // A run that cannot start now leaves `NextSync` as it is, so a timed run is
    // caught up later instead of being lost.
    RunJob(job_name);
  } else {
    WriteNextSync(job_name);
  }
  if (!EntryExists(job_name)) return false;
  SetFreshScheduleText(job_name);
  return true;
}

void JobTick::CatchUpMissedRun(const std::string& job_name) {
  // Whether the entry takes part was decided on its text before the tick advanced it,
  // so a job that has become manual in the store is still caught up. Only one that the
  // user switched off or made manual while its question or run took place is not.
  const std::optional<std::string> text = host_.ScheduleText(job_name);
  if (!text || (IsSkipped(*text) && *text != written_text_)) return;

  int32_t recover = 0;
  {
    RegistryKey key(hive_);
    key.OpenForReading(JobKeyPath(job_name));
    if (!key.ValueExists(job_value::kNextSync)) return;
    const DateTime next_sync = key.ReadDateTime(job_value::kNextSync);
    if (next_sync == 0.0 || !(next_sync < EncodeDateTime(clock_.Now()))) return;
    if (!key.ValueExists(job_value::kRecover)) return;
    recover = key.ReadInteger(job_value::kRecover);
  }

  bool run = recover == 0;
  if (recover == 2) {
    const QuestionAnswer answer = host_.AskRecovery(job_name);
    if (!StillWanted(job_name)) return;
    WriteChoice(job_name, "Recover", answer.box_ticked ? (answer.yes ? 0 : 1) : 2);
    run = answer.yes;
  }
  if (run) {
    host_.SetScheduleText(job_name, std::string(kScheduleTextRunning));
    const bool ran = RunJob(job_name);
    if (!EntryExists(job_name)) return;
    SetFreshScheduleText(job_name);
    if (!ran) return;  // the missed moment stays for a later tick
  }
  WriteNextSync(job_name);
}

bool JobTick::RunForThisMoment(const std::string& job_name) const {
  // After its run a timed job's next moment lies ahead. When the clock shows the same minute
  // once more (the hour repeated when summer time ends, a clock set back), that moment has had
  // its run already.
  RegistryKey key(hive_);
  key.OpenForReading(JobKeyPath(job_name));
  if (!key.ValueExists(job_value::kNextSync)) return false;
  return key.ReadDateTime(job_value::kNextSync) > EncodeDateTime(clock_.Now());
}

bool JobTick::ConfirmWanted(const std::string& job_name) const {
  RegistryKey key(hive_);
  key.OpenForReading(JobKeyPath(job_name));
  try {
    return !key.ValueExists(job_value::kConfirm) || key.ReadBool(job_value::kConfirm);
  } catch (const RegistryError&) {
    // A value that cannot be read is no answer the user gave: ask.
    return true;
  }
}

bool JobTick::RunJob(const std::string& job_name) {
  // The wizard opened while a question waited: the run waits until it is closed, and
  // the job may have been changed, renamed or deleted by then.
  WaitWhileHeld();
  if (!StillWanted(job_name)) return false;
  if (host_.RunInProgress() || host_.ProgramEnding()) return false;
  host_.ExecuteSynchronisation(job_name);
  return true;
}

void JobTick::ManualRun(const std::string& job_name) {
  manual_run_active_ = true;
  host_.StopTimerJobs();
  try {
    host_.ExecuteSynchronisation(job_name);
  } catch (const std::exception& error) {
    host_.ShowError(error.what());
  }
  manual_run_active_ = false;
}

void JobTick::SetFreshScheduleText(const std::string& job_name) {
  const std::string text = schedule_.SetMinutesText(job_name);
  // A job switched off while its question waited stays off.
  const std::optional<std::string> current = host_.ScheduleText(job_name);
  if (!current || *current == kScheduleTextInactive) return;
  host_.SetScheduleText(job_name, text);
  written_text_ = text;
}

void JobTick::WriteNextSync(const std::string& job_name) {
  const DateTime next_sync = schedule_.GetJobDate(job_name);
  RegistryKey key(hive_);
  key.OpenForWriting(JobKeyPath(job_name), false);
  key.WriteDateTime(job_value::kNextSync, next_sync);
}

void JobTick::WriteChoice(const std::string& job_name, const char* value_name, int value) {
  // The user's choice only spares later questions; a store that refuses it must
  // not stop the run the user has just asked for.
  try {
    RegistryKey key(hive_);
    key.OpenForWriting(JobKeyPath(job_name), false);
    key.WriteInteger(value_name, value);
  } catch (const RegistryError&) {
  }
}

bool JobTick::EntryExists(const std::string& job_name) const {
  return host_.ScheduleText(job_name).has_value();
}

bool JobTick::StillWanted(const std::string& job_name) const {
  // A question ended by the program's end is no answer: nothing is stored for it,
  // so the job asks again (or is caught up) at the next start.
  return EntryExists(job_name) && !host_.ProgramEnding();
}

void JobTick::StartTimerJobsIfFree() {
  if (!tick_active_ && !manual_run_active_ && holds_ == 0) host_.StartTimerJobs();
}

}  // namespace parvolind
