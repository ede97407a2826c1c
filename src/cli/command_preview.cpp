// `parvolind-cli preview NAME`: lists what a run of the job started now would do, one action a
// line, without doing any of it.

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli_commands.h"
#include "cli/run_settings.h"
#include "cli/terminal_progress.h"
#include "engine/log_writer.h"
#include "engine/preview_summary.h"
#include "engine/run_action.h"
#include "engine/run_control.h"
#include "engine/run_options.h"
#include "engine/synchronisation_run.h"
#include "platform/file_system.h"
#include "platform/interrupt.h"
#include "platform/run_lock.h"
#include "schedule/schedule_computation.h"

namespace parvolind::cli {
namespace {

// Writes each action as it is decided on: a list of 100,000 files needs no memory of its own,
// and a script reading the output can start at once.
class ActionLines : public ActionSink {
 public:
  ActionLines(std::ostream& out, TerminalProgress& progress) : out_(out), progress_(progress) {}

  void Report(const RunAction& action) override {
    summary_.Add(action);
    progress_.ClearLine();
    // One write per line: 100,000 lines cost next to nothing.
    line_.assign(ActionWord(action.kind));
    line_ += '\t';
    line_ += PrintableText(action.source);
    line_ += '\t';
    line_ += PrintableText(action.kind == RunActionKind::kError ? action.message : action.target);
    line_ += '\n';
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
  }

  const PreviewSummary& Summary() const { return summary_; }

 private:
  std::ostream& out_;
  TerminalProgress& progress_;
  PreviewSummary summary_;
  std::string line_;
};

}  // namespace

int PreviewCommand(CliContext& context, const std::vector<std::string>& args) {
  int exit_code = 0;
  const std::optional<RunSettings> prepared = PrepareJobCommand(context, args, "preview", exit_code);
  if (!prepared) return exit_code;
  const RunSettings& settings = *prepared;
  const std::string& job_name = args[0];

  std::unique_ptr<FileSystem> fs = CreateFileSystem();
  std::unique_ptr<RunLocks> locks = CreateUserRunLocks();
  ScheduleComputation schedule(context.hive, context.clock);
  InterruptWatch interrupt;
  RunControl control;
  TerminalProgress progress(context.out, context.err, interrupt, control);
  // The preview writes no line; the log is there for the errors it would hold.
  LogWriter log(
      std::string(), *fs, progress, [] { return false; }, context.clock, context.locale);
  SynchronisationRun run(
      context.hive, *fs, progress, control, log, context.clock, context.locale,
      [&schedule](const std::string& name) { return schedule.GetJobDate(name); }, *locks);
  ActionLines lines(context.out, progress);
  const RunResult result = run.PreviewSynchronisation(
      job_name, RunOptions{.copy_buffer_size = settings.copy_buffer_size, .trash = settings.trash},
      lines);
  context.out << std::flush;

  switch (result.outcome) {
    case RunOutcome::kCompleted:
      context.err << lines.Summary().Text(context.locale) << "\n";
      // As the run itself would end: with files it could not synchronise.
      return result.failed_files > 0 ? kExitIncomplete : kExitCompleted;
    case RunOutcome::kCancelled:
      context.err << "Die Vorschau wurde abgebrochen.\n";
      return kExitCancelled;
    case RunOutcome::kFailed:
      if (!result.failure_reason.empty()) context.err << result.failure_reason << "\n";
      return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace parvolind::cli
