#include <ostream>

#include "cli/cli_commands.h"

namespace parvolind::cli {

int RunCommand(CliContext& context, const std::vector<std::string>& /*args*/) {
  context.err << "run: noch nicht verfügbar\n";
  return kExitUsage;
}

}  // namespace parvolind::cli
