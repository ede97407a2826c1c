#include "cli/run_settings.h"

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

}  // namespace parvolind::cli
