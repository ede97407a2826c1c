#include "cli/run_settings.h"

#include <exception>

#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind::cli {

RunSettings ReadRunSettings(CliContext& context) {
  RunSettings settings_read;
  RegistryKey settings(context.hive);
  settings.OpenForReading(kProgramKeyPath);
  if (settings.ValueExists("Logfile")) settings_read.logging = settings.ReadBool("Logfile");
  if (settings.ValueExists("Trash")) settings_read.trash = settings.ReadBool("Trash");
  if (settings.ValueExists("BufferSize")) {
    const int32_t kilobytes = settings.ReadInteger("BufferSize");
    if (Settings::IsBufferSize(kilobytes)) {
      settings_read.copy_buffer_size = Settings::CopyBufferSizeFor(kilobytes);
    }
  }
  return settings_read;
}

std::optional<RunSettings> PrepareJobCommand(CliContext& context,
                                             const std::vector<std::string>& args,
                                             std::string_view command, int& exit_code) {
  if (args.size() != 1 || args[0].empty()) {
    context.err << "Aufruf: parvolind-cli " << command << " NAME\n";
    exit_code = kExitUsage;
    return std::nullopt;
  }
  JobStore store(context.hive, context.clock, context.locale);
  if (!store.JobExists(args[0])) {
    context.err << "Auftrag nicht gefunden: " << args[0] << "\n";
    exit_code = kExitUsage;
    return std::nullopt;
  }
  try {
    return ReadRunSettings(context);
  } catch (const std::exception& error) {
    context.err << error.what() << "\n";
    exit_code = kExitFailed;
    return std::nullopt;
  }
}

}  // namespace parvolind::cli
