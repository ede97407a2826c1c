#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"

namespace parvolind::cli {

/// What main() wires together and hands to every command.
struct CliContext {
  RegistryHive& hive;
  const Clock& clock;
  const Locale& locale;
  std::ostream& out;
  std::ostream& err;
};

/// Exit status: the command did its work (a run completed without a fault).
inline constexpr int kExitCompleted = 0;
/// Exit status: the command failed.
inline constexpr int kExitFailed = 1;
/// Exit status for a wrong call or an unknown job.
inline constexpr int kExitUsage = 2;
/// Exit status: the run was cancelled.
inline constexpr int kExitCancelled = 3;
/// Exit status: the run completed, but files could not be synchronised or the log
/// could not be written.
inline constexpr int kExitIncomplete = 4;

/// `list`: one line per job, name, a tab, the schedule text, in the job list's order.
int ListCommand(CliContext& context, const std::vector<std::string>& args);
/// `show NAME`: the job's stored values, one per line.
int ShowCommand(CliContext& context, const std::vector<std::string>& args);
/// `run NAME`: runs the job; exits with kExitCompleted, kExitFailed, kExitUsage
/// (no such job), kExitCancelled or kExitIncomplete.
int RunCommand(CliContext& context, const std::vector<std::string>& args);
/// `preview NAME`: lists what a run of the job started now would do, one action a line
/// (word, sending path, receiving path, tab-separated), and a summary line on the error
/// stream; changes nothing. Exits as `run` would end.
int PreviewCommand(CliContext& context, const std::vector<std::string>& args);
/// `export [FILE | -]`: the configuration backup; "-" writes it to standard output.
int ExportCommand(CliContext& context, const std::vector<std::string>& args);
/// `import FILE`: imports a registry export file into the store, all or nothing.
int ImportCommand(CliContext& context, const std::vector<std::string>& args);

}  // namespace parvolind::cli
