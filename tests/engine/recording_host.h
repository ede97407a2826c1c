#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/progress_sink.h"
#include "engine/run_control.h"
#include "engine/run_options.h"

namespace parvolind::testing {

/// A run's surroundings without a window: records what the engine shows and counts event
/// processing, and holds the run control, the options and the log switch. Widths count
/// characters. `on_process_events` lets a test act in the middle of the work (press cancel,
/// change a file).
class RecordingHost : public ProgressSink {
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
  /// What a bar shows now.
  int64_t BarValue(ProgressBar bar) const { return bars[static_cast<int>(bar)].value; }
  int64_t BarMaximum(ProgressBar bar) const { return bars[static_cast<int>(bar)].maximum; }
  void ShowProgressPanel(bool) override {}
  void ProcessEvents() override {
    ++events;
    if (on_process_events) on_process_events(events);
  }
  void ShowFailureMessage(std::string_view) override {}
  void SetIconAnimation(bool) override {}
  /// The log switch for a LogWriter.
  std::function<bool()> Logging() {
    return [this] { return logging; };
  }

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
  RunControl control;
  RunOptions options{.copy_buffer_size = 131071};
  bool logging = true;
  int label_width = 400;
};

}  // namespace parvolind::testing
