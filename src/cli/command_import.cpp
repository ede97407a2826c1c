#include <ostream>

#include "cli/cli_commands.h"

namespace parvolind::cli {

int ImportCommand(CliContext& context, const std::vector<std::string>& /*args*/) {
  context.err << "import: noch nicht verfügbar\n";
  return kExitUsage;
}

}  // namespace parvolind::cli
