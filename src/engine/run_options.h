#pragma once

#include <cstdint>

#include "store/settings.h"

namespace parvolind {

/// The settings a run works with, taken as they stand when it starts.
struct RunOptions {
  /// `CopyBufferSize`: bytes per copy block.
  int32_t copy_buffer_size = Settings::kDefaultCopyBufferSize;
  /// Whether the tray icon is animated during the run (`AnimiertesSymbol1`).
  bool animated_icon = false;
  /// Whether deleted files and the old versions of replaced ones go into the desktop's trash
  /// ("Gelöschte und ersetzte Dateien in den Papierkorb"; the window and the command line pass
  /// the user's setting, which is on unless switched off).
  bool trash = false;
};

}  // namespace parvolind
