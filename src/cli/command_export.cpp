#include <ostream>

#include "cli/cli_commands.h"
#include "store/config_backup.h"

namespace parvolind::cli {

int ExportCommand(CliContext& context, const std::vector<std::string>& args) {
  if (args.size() > 1 || (args.size() == 1 && args[0].empty())) {
    context.err << "Aufruf: parvolind-cli export [DATEI]\n";
    return kExitUsage;
  }
  const ConfigBackup backup(context.hive);
  const BackupResult result =
      args.empty() ? backup.Sicherung1Click() : backup.Sicherung1Click(args[0]);
  if (!result.ok) {
    context.err << "Die Konfiguration konnte nicht gesichert werden: " << result.reason << "\n";
    return 1;
  }
  context.out << "Die Konfiguration wurde gesichert: " << result.target << "\n";
  return 0;
}

}  // namespace parvolind::cli
