#include <ostream>

#include "cli/cli_commands.h"

namespace parvolind::cli {

int ShowCommand(CliContext& context, const std::vector<std::string>& /*args*/) {
  context.err << "show: noch nicht verfügbar\n";
  return kExitUsage;
}

}  // namespace parvolind::cli
