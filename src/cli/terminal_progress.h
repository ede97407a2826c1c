#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "engine/progress_sink.h"
#include "engine/run_control.h"
#include "platform/interrupt.h"

namespace parvolind::cli {

/// The run's progress in a terminal: keeps the panel's state, shows the action and the
/// overall progress on one line when standard output is a terminal (and nothing
/// otherwise), turns Ctrl-C into `control`'s cancel request, and prints the failure
/// message to standard error.
class TerminalProgress : public ProgressSink {
 public:
  TerminalProgress(std::ostream& out, std::ostream& err, const InterruptWatch& interrupt,
                   RunControl& control);

  void SetLabel(ProgressLabel label, std::string_view text) override;
  int LabelWidth(ProgressLabel label) const override;
  int TextWidth(ProgressLabel, std::string_view text) const override;
  void SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) override;
  void SetBarValue(ProgressBar bar, int64_t value) override;
  void ShowProgressPanel(bool visible) override;
  void ProcessEvents() override;
  void ShowFailureMessage(std::string_view text) override;
  void SetIconAnimation(bool) override {}

  /// Whether Ctrl-C or SIGTERM asked for the cancel.
  bool InterruptSeen() const { return interrupt_seen_; }
  /// Takes the progress line off the terminal, so that a line of output can be written in its
  /// place; it is drawn again with the next progress.
  void ClearLine();

 private:
  struct Bar {
    int64_t minimum = 0;
    int64_t maximum = 100;
    int64_t value = 0;
  };
  static int Index(ProgressBar bar) { return bar == ProgressBar::kActual ? 0 : 1; }
  void Draw();

  std::ostream& out_;
  std::ostream& err_;
  const InterruptWatch& interrupt_;
  RunControl& control_;
  bool terminal_;
  int columns_;
  std::string action_;
  Bar bars_[2];
  bool interrupt_seen_ = false;
  int drawn_width_ = 0;
  std::chrono::steady_clock::time_point last_event_{};
  std::chrono::steady_clock::time_point last_redraw_{};
};

}  // namespace parvolind::cli
