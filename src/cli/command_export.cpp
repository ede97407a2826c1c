#include <ostream>

#include "cli/cli_commands.h"

namespace parvolind::cli {

int ExportCommand(CliContext& context, const std::vector<std::string>& /*args*/) {
  context.err << "export: noch nicht verfügbar\n";
  return kExitUsage;
}

}  // namespace parvolind::cli
