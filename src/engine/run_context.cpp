#include "engine/run_context.h"

#include <stdexcept>

#include "engine/fit_path.h"

namespace parvolind {

void Refusal(LogWriter& log, std::string_view reason) {
  log.WriteError(reason);
  throw std::runtime_error(std::string(reason));
}

void ReportAction(RunContext& run, RunActionKind kind, const std::string& source,
                  const std::string& target, int64_t bytes) {
  if (run.actions != nullptr) run.actions->Report(RunAction{kind, source, target, bytes, {}});
}

std::string Shortened(const ProgressSink& progress, std::string_view path, ProgressLabel label,
                      int spare) {
  return FitPathToWidth(
      path, progress.LabelWidth(label) - spare,
      [&progress, label](std::string_view text) { return progress.TextWidth(label, text); });
}

}  // namespace parvolind
