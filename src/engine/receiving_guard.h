#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "engine/file_collector.h"
#include "engine/log_writer.h"
#include "platform/file_system.h"

namespace parvolind {

/// The receiving side of one copy pass, as ReceivingGuard judges it.
struct ReceivingSide {
  std::string root;  ///< the receiving root, ending in '/'
  std::string real;  ///< the receiving root with every link resolved, ending in '/'
  /// The collector that listed both sides (see FileCollector::WalkOf()), and which of its
  /// walks listed this pass's sending side.
  const FileCollector* collector = nullptr;
  int sending_walk = 1;
};

/// Keeps a run's writes, replacements and deletions inside the receiving folder: never through a
/// link that leads out of it, nor in a folder that is also one of the sending side's (a bind
/// mount). One guard serves one run; each refused place is logged once and counted.
class ReceivingGuard {
 public:
  /// Refusals are logged on `log` and counted in `failures`.
  ReceivingGuard(FileSystem& fs, LogWriter& log, int64_t& failures);

  /// Whether the pass may write, replace or delete `path` on `side`.
  bool MayChange(const ReceivingSide& side, const std::string& path);

  /// Forgets the folder last judged; called whenever the side judged changes.
  void Forget() { guarded_folder_.clear(); }

 private:
  FileSystem& fs_;
  LogWriter& log_;
  int64_t& failures_;
  // One-entry cache of MayChange(): the receiving folder last judged.
  std::string guarded_folder_;
  bool guarded_folder_allowed_ = true;
  // The places MayChange() refused and logged in this run.
  std::set<std::string> reported_paths_;
};

}  // namespace parvolind
