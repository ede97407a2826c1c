#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/run_host.h"

namespace parvolind::testing {

/// A run host without a window: records what the engine shows and counts event processing.
/// Widths count characters. `on_process_events` lets a test act in the middle of the work
/// (press cancel, change a file).
class RecordingHost : public RunHost {
 public:
  void SetLabel(ProgressLabel label, std::string_view text) override {
    labels[static_cast<int>(label)].emplace_back(text);
  }
  int LabelWidth(ProgressLabel) const override { return label_width; }
  int TextWidth(ProgressLabel, std::string_view text) const override {
    return static_cast<int>(text.size());
  }
  void SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) override {
    bars[static_cast<int>(bar)] = {minimum, maximum, minimum};
  }
  void SetBarValue(ProgressBar bar, int64_t value) override {
    Bar& b = bars[static_cast<int>(bar)];
    if (value < b.minimum || value > b.maximum) return;
    b.value = value;
    if (bar == ProgressBar::kActual) actual_values.push_back(value);
  }
  int64_t BarValue(ProgressBar bar) const override { return bars[static_cast<int>(bar)].value; }
  int64_t BarMinimum(ProgressBar bar) const override { return bars[static_cast<int>(bar)].minimum; }
  int64_t BarMaximum(ProgressBar bar) const override { return bars[static_cast<int>(bar)].maximum; }
  void ShowProgressPanel(bool) override {}
  void ProcessEvents() override {
    ++events;
    if (on_process_events) on_process_events(events);
  }
  bool CancelRequested() const override { return cancel; }
  void SetCancelRequested(bool requested) override { cancel = requested; }
  bool RunInProgress() const override { return running; }
  void SetRunInProgress(bool value) override { running = value; }
  void ShowFailureMessage(std::string_view) override {}
  bool AnimatedIcon() const override { return false; }
  void SetIconAnimation(bool) override {}
  bool LoggingEnabled() const override { return logging; }
  int32_t CopyBufferSize() const override { return buffer_size; }
  bool TrashEnabled() const override { return trash; }

  /// The texts a label was given, in order.
  const std::vector<std::string>& Labels(ProgressLabel label) const {
    return labels[static_cast<int>(label)];
  }

  struct Bar {
    int64_t minimum = 0;
    int64_t maximum = 100;
    int64_t value = 0;
  };
  Bar bars[2];
  std::vector<std::string> labels[4];
  /// Every value the per-file bar accepted after its range was set.
  std::vector<int64_t> actual_values;
  int events = 0;
  std::function<void(int)> on_process_events;
  bool cancel = false;
  bool running = false;
  bool logging = true;
  int label_width = 400;
  int32_t buffer_size = 131071;
  bool trash = false;
};

}  // namespace parvolind::testing
