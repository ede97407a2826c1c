// `parvolind-cli run NAME`: runs one job through the same engine, log and store
// values as the desktop program, with a one-line progress display on a terminal.

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli_commands.h"
#include "cli/run_settings.h"
#include "cli/terminal_progress.h"
#include "engine/log_writer.h"
#include "engine/run_control.h"
#include "engine/run_options.h"
#include "engine/synchronisation_run.h"
#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/interrupt.h"
#include "platform/run_lock.h"
#include "schedule/schedule_computation.h"

namespace parvolind::cli {

int RunCommand(CliContext& context, const std::vector<std::string>& args) {
  int exit_code = 0;
  const std::optional<RunSettings> prepared = PrepareJobCommand(context, args, "run", exit_code);
  if (!prepared) return exit_code;
  const RunSettings& settings = *prepared;
  const std::string& job_name = args[0];

  std::unique_ptr<FileSystem> fs = CreateFileSystem();
  std::unique_ptr<RunLocks> locks = CreateUserRunLocks();
  ScheduleComputation schedule(context.hive, context.clock);
  InterruptWatch interrupt;
  RunControl control;
  TerminalProgress progress(context.out, context.err, interrupt, control);
  const bool logging = settings.logging;
  LogWriter log(
      FileBesideExecutable("parvolind.log"), *fs, progress, [logging] { return logging; },
      context.clock, context.locale);
  SynchronisationRun run(
      context.hive, *fs, progress, control, log, context.clock, context.locale,
      [&schedule](const std::string& name) { return schedule.GetJobDate(name); }, *locks);
  const RunResult result = run.ExecuteSynchronisation(
      job_name, RunOptions{.copy_buffer_size = settings.copy_buffer_size, .trash = settings.trash});

  if (result.log_error) {
    context.err << "Das Protokoll konnte nicht geschrieben werden: " << *result.log_error << "\n";
  }
  switch (result.outcome) {
    case RunOutcome::kCompleted:
      if (result.failed_files > 0) {
        context.err << "Die Synchronisation wurde abgeschlossen; " << result.failed_files
                    << " Datei(en) konnten nicht synchronisiert werden.\n";
      }
      // A log that could not be written is no failed run (the files are in step),
      // but a script must be able to tell it from a clean one.
      return result.failed_files > 0 || result.log_error ? kExitIncomplete : kExitCompleted;
    case RunOutcome::kCancelled:
      context.err << "Die Synchronisation wurde abgebrochen.\n";
      return kExitCancelled;
    case RunOutcome::kFailed:
      if (!result.failure_reason.empty()) context.err << result.failure_reason << "\n";
      return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace parvolind::cli
