#pragma once

#include <cstdint>

#include "cli/cli_commands.h"
#include "store/settings.h"

namespace parvolind::cli {

/// The program settings a run from the command line works with.
struct RunSettings {
  bool logging = true;
  bool trash = true;
  int32_t copy_buffer_size = Settings::kDefaultCopyBufferSize;
};

/// Reads the settings a run needs from the store, without the start-up's write-backs; missing
/// values keep their defaults. Throws the store's error for a value of the wrong type.
RunSettings ReadRunSettings(CliContext& context);

}  // namespace parvolind::cli
