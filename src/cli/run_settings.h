#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

/// What `run NAME` and `preview NAME` check before they start: one non-empty name, a job of that
/// name, and readable settings. Returns the settings, or writes the reason to the error stream,
/// sets `exit_code` and returns nothing.
std::optional<RunSettings> PrepareJobCommand(CliContext& context,
                                             const std::vector<std::string>& args,
                                             std::string_view command, int& exit_code);

}  // namespace parvolind::cli
