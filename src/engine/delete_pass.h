#pragma once

#include <cstdint>
#include <string>

#include "engine/file_collector.h"
#include "engine/path_index.h"
#include "engine/receiving_guard.h"
#include "engine/run_context.h"

namespace parvolind {

/// The delete pass of a one-way job: removes the receiving files the sending side lacks.
struct DeletePass {
  std::string sending_root;
  ReceivingSide receiving;
  const FileList* sources = nullptr;
  /// The sending root did not exist before the run created it.
  bool sending_was_missing = false;
  bool sub_dirs = false;
  /// The receiving side's list, and the entries the copy pass left in it.
  const FileList* targets = nullptr;
  const PathIndex* target_index = nullptr;
  /// The collector that listed both sides.
  const FileCollector* collector = nullptr;
};

/// Deletes (or puts in the trash) each receiving file left in the pass's list whose counterpart
/// the sending side surely lacks, counting handled entries in `total`. Runs to its end; a cancel
/// pressed meanwhile ends the run afterwards. Deletes nothing from an empty or missing sending
/// side.
void RunDeletePass(RunContext& run, const DeletePass& pass, int64_t& total);

}  // namespace parvolind
