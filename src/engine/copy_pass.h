#pragma once

#include <cstdint>
#include <string>

#include "engine/file_collector.h"
#include "engine/file_transfer.h"
#include "engine/path_index.h"
#include "engine/receiving_guard.h"
#include "engine/run_context.h"
#include "engine/sync_job.h"

namespace parvolind {

/// One copy pass over a list of sending files: compares each with its receiving counterpart by
/// the job's criterion and copies what is to be copied.
struct CopyPass {
  std::string sending_root;
  ReceivingSide receiving;
  const FileList* sources = nullptr;
  /// Entries removed here are no sources (the second pass works on what the first left).
  const PathIndex* skip = nullptr;
  /// The receiving side's list, from which each copied file's entry is taken out.
  PathIndex* targets = nullptr;
  const SyncJob* job = nullptr;
  FileTransfer* transfer = nullptr;
  /// Whether the sending root is `Dir1` (conflicts are logged by their `Dir1` path).
  bool sending_is_dir1 = true;
  /// Times closer than this (milliseconds) count as the same: the coarser of what the two
  /// sides' file systems keep.
  int64_t resolution_ms = 1;
  /// The sending side's file system keeps no times: its files bear the moment they were written.
  bool sending_timeless = false;
  /// Whether what the walks saw of the listed files still holds; cleared once a copy may have
  /// changed a listed file unseen (see RunCopyPass), and handed on to the next pass.
  bool statuses_hold = true;
  /// Set when the pass stopped at a cancel request.
  bool cancelled = false;
};

/// Works through the pass's sources, counting started copies in `copies` and handled list
/// entries in `total` (shown on the total bar).
void RunCopyPass(RunContext& run, CopyPass& pass, int64_t& copies, int64_t& total);

}  // namespace parvolind
