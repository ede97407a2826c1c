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

/// Exit status for a wrong call or an unknown job.
inline constexpr int kExitUsage = 2;

/// `list`: one line per job, name, a tab, the schedule text, in the job list's order.
int ListCommand(CliContext& context, const std::vector<std::string>& args);
/// `show NAME`: the job's stored values, one per line.
int ShowCommand(CliContext& context, const std::vector<std::string>& args);
/// `run NAME`: runs the job; 0 completed, 1 failed, 2 usage or no such job, 3 cancelled.
int RunCommand(CliContext& context, const std::vector<std::string>& args);
/// `export [FILE]`: the configuration backup.
int ExportCommand(CliContext& context, const std::vector<std::string>& args);
/// `import FILE`: imports a registry export file into the store, all or nothing.
int ImportCommand(CliContext& context, const std::vector<std::string>& args);

}  // namespace parvolind::cli
