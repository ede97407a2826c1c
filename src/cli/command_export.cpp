#include <ostream>

#include "cli/cli_commands.h"
#include "store/config_backup.h"
#include "store/reg_file.h"
#include "store/registry_key.h"

namespace parvolind::cli {
namespace {

constexpr const char* kFailureText = "Die Konfiguration konnte nicht gesichert werden: ";

// `export -`: the file's bytes go to standard output as a stream, so that a pipe,
// a terminal or a log opened for appending gets them as it expects.
int ExportToStandardOutput(CliContext& context) {
  std::string bytes;
  std::string error;
  if (!ExportRegistryKey(context.hive, kProgramKeyPath, &bytes, &error)) {
    context.err << kFailureText << error << "\n";
    return 1;
  }
  context.out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  context.out.flush();
  if (!context.out) {
    context.err << kFailureText << "Die Standardausgabe kann nicht beschrieben werden.\n";
    return 1;
  }
  return 0;
}

}  // namespace

int ExportCommand(CliContext& context, const std::vector<std::string>& args) {
  if (args.size() > 1 || (args.size() == 1 && args[0].empty())) {
    context.err << "Aufruf: parvolind-cli export [DATEI | -]\n";
    return kExitUsage;
  }
  if (args.size() == 1 && args[0] == "-") return ExportToStandardOutput(context);
  const ConfigBackup backup(context.hive);
  const BackupResult result = args.empty() ? backup.ExportBackup() : backup.ExportBackup(args[0]);
  if (!result.ok) {
    context.err << kFailureText << result.reason << "\n";
    return 1;
  }
  context.out << "Die Konfiguration wurde gesichert: " << result.target << "\n";
  return 0;
}

}  // namespace parvolind::cli
