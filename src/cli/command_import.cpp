#include <ostream>

#include "cli/cli_commands.h"
#include "platform/atomic_file.h"
#include "store/reg_file.h"

namespace parvolind::cli {

int ImportCommand(CliContext& context, const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) {
    context.err << "Aufruf: parvolind-cli import DATEI\n";
    return kExitUsage;
  }
  const std::string& file = args[0];
  std::string bytes;
  std::string error;
  if (!ReadWholeFile(file, &bytes, &error, kMaxRegFileSize)) {
    context.err << "Die Datei kann nicht gelesen werden: " << error << "\n";
    return 1;
  }
  RegImportSummary summary;
  if (!ImportRegFile(context.hive, bytes, &error, &summary)) {
    context.err << file << ": " << error << "\n"
                << "Die Konfiguration wurde nicht verändert.\n";
    return 1;
  }
  context.out << "Importiert aus " << file << ": " << summary.keys << " Schlüssel, "
              << summary.values << " Werte";
  if (summary.deleted_keys > 0 || summary.deleted_values > 0) {
    context.out << "; gelöscht: " << summary.deleted_keys << " Schlüssel, "
                << summary.deleted_values << " Werte";
  }
  context.out << ".\n";
  return 0;
}

}  // namespace parvolind::cli
