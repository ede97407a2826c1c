#include <ostream>

#include "cli/cli_commands.h"

namespace parvolind::cli {

int ListCommand(CliContext& context, const std::vector<std::string>& /*args*/) {
  context.err << "list: noch nicht verfügbar\n";
  return kExitUsage;
}

}  // namespace parvolind::cli
