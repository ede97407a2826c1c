#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/log_writer.h"
#include "engine/progress_sink.h"
#include "engine/run_action.h"
#include "engine/run_control.h"
#include "engine/run_options.h"
#include "platform/file_system.h"

namespace parvolind {

class ReceivingGuard;

/// What the parts of one run share: the services it works through, its options, the guard of
/// its receiving sides and its count of files that could not be synchronised.
struct RunContext {
  FileSystem& fs;
  ProgressSink& progress;
  RunControl& control;
  LogWriter& log;
  const RunOptions& options;
  ReceivingGuard& guard;
  int64_t& failed_files;
  /// Hears each action as the run decides on it; null when nobody listens.
  ActionSink* actions = nullptr;
  /// A preview: the actions are decided and reported, not done.
  bool preview = false;
};

/// Tells `run`'s action sink, if any, of an action.
void ReportAction(RunContext& run, RunActionKind kind, const std::string& source,
                  const std::string& target, int64_t bytes = 0);

/// The action label's paths leave this many pixels for the text behind them.
inline constexpr int kActionSpare = 100;

/// Logs a run-level error and ends the run as failed (by throwing; the run catches it).
[[noreturn]] void Refusal(LogWriter& log, std::string_view reason);

/// `path` shortened to fit `label` on `progress`, leaving `spare` pixels.
std::string Shortened(const ProgressSink& progress, std::string_view path, ProgressLabel label,
                      int spare);

}  // namespace parvolind
