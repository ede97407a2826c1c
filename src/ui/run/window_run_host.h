#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "engine/progress_sink.h"
#include "engine/run_control.h"

class QWidget;

namespace parvolind::ui {

class Dialogs;
class ProgressPanel;

/// The window's side of a run: shows it on the progress panel (laid over `covered`, the
/// job information, which it hides), holds the run's control (cancel, in progress), and
/// keeps the window responsive without slowing the run down. The run names every file it
/// copies and moves both bars for each, but only what stands when the window is next drawn
/// is ever seen, so the labels and bars take their state when events are processed; and
/// events are processed at most once per event interval.
class WindowRunHost : public ProgressSink {
 public:
  WindowRunHost(ProgressPanel& panel, QWidget& covered, Dialogs& dialogs);

  /// The cancel request and the flag that a run is under way.
  RunControl& Control() { return control_; }
  const RunControl& Control() const { return control_; }

  /// How often a run hands control to the event loop at most (40 ms: often enough for
  /// the cancel button and the clock, rare enough that 100,000 small files are not slowed
  /// down by repainting the panel). Tests make every call count with 0.
  void SetEventInterval(std::chrono::milliseconds interval) { event_interval_ = interval; }
  /// A run begins: its first chance to process events is taken.
  void BeginRun() { last_events_ = {}; }
  /// Switches the tray animation; the application shell sets it.
  void SetIconAnimationHandler(std::function<void(bool)> handler) {
    icon_animation_ = std::move(handler);
  }

  // ProgressSink
  void SetLabel(ProgressLabel label, std::string_view text) override;
  /// Keeps the path and shortens it only when the label is next drawn: measuring the text of
  /// every file would cost more than copying a small one.
  void SetPathLabel(ProgressLabel label, std::string_view path, int spare,
                    std::string_view suffix) override;
  int LabelWidth(ProgressLabel label) const override;
  int TextWidth(ProgressLabel label, std::string_view text) const override;
  void SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) override;
  void SetBarValue(ProgressBar bar, int64_t value) override;
  void ShowProgressPanel(bool visible) override;
  void ProcessEvents() override;
  void ShowFailureMessage(std::string_view text) override;
  void SetIconAnimation(bool on) override;

 private:
  void ApplyPending();

  ProgressPanel& panel_;
  QWidget& covered_;
  Dialogs& dialogs_;
  RunControl control_;
  std::function<void(bool)> icon_animation_;
  std::chrono::steady_clock::time_point last_events_{};
  std::chrono::milliseconds event_interval_{40};
  /// Texts for the panel's labels, applied when events are next processed: a text as it
  /// stands, or a path still to be shortened (leaving `spare` pixels) and its suffix.
  struct PendingLabel {
    std::string text;
    std::string suffix;
    int spare = 0;
    bool is_path = false;
    bool changed = false;
  };
  std::array<PendingLabel, 4> pending_labels_{};
  /// The bars as the run has set them, kept by the bar's own rules (a new range pulls the
  /// value into it, a value outside the range is ignored) and handed to the bar when events
  /// are next processed.
  struct PendingBar {
    int64_t minimum = 0;
    int64_t maximum = 100;
    int64_t value = 0;
    bool range_changed = false;
    bool value_changed = false;
  };
  std::array<PendingBar, 2> pending_bars_{};
};

}  // namespace parvolind::ui
