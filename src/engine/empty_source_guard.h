#pragma once

#include <string>
#include <string_view>

#include "engine/file_collector.h"
#include "engine/log_writer.h"
#include "engine/progress_sink.h"
#include "platform/file_system.h"

namespace parvolind {

/// Whether the sending side gives the delete pass nothing to go by: it lists no files, or it was
/// missing before the run created it. Such a side never empties the receiving one; the log says
/// that nothing was deleted, and whether the folder is empty or its files all filtered out.
bool SendingSideEmpty(FileSystem& fs, ProgressSink& progress, LogWriter& log,
                      const std::string& sending_root, bool sources_empty, bool sending_was_missing,
                      bool sub_dirs);

/// Tells the delete pass whether the sending side may hold a receiving file's counterpart,
/// although the sending list lacks it.
class SendingSideCheck {
 public:
  /// `collector` listed the sending side below `sending_root` (ending in '/').
  SendingSideCheck(FileSystem& fs, const std::string& sending_root, const FileCollector& collector);

  /// Whether the sending side may hold `relative` (below the sending root).
  bool MayHold(std::string_view relative);

 private:
  FileSystem& fs_;
  const std::string& sending_root_;
  const FileCollector& collector_;
  // One-entry cache of MayHold(): the sending folder last judged.
  std::string checked_folder_;
  bool checked_folder_may_hold_ = false;
};

}  // namespace parvolind
