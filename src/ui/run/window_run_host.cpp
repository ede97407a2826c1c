#include "ui/run/window_run_host.h"

#include <QCoreApplication>
#include <QWidget>
#include <algorithm>

#include "engine/fit_path.h"
#include "ui/run/gradient_progress_bar.h"
#include "ui/run/progress_panel.h"
#include "ui/toolkit/dialogs.h"
#include "ui/toolkit/qt_strings.h"

namespace parvolind::ui {

WindowRunHost::WindowRunHost(ProgressPanel& panel, QWidget& covered, Dialogs& dialogs)
    : panel_(panel), covered_(covered), dialogs_(dialogs) {}

void WindowRunHost::SetLabel(ProgressLabel label, std::string_view text) {
  PendingLabel& pending = pending_labels_[static_cast<size_t>(label)];
  pending.text.assign(text);
  pending.is_path = false;
  pending.changed = true;
}

void WindowRunHost::SetPathLabel(ProgressLabel label, std::string_view path, int spare,
                                 std::string_view suffix) {
  PendingLabel& pending = pending_labels_[static_cast<size_t>(label)];
  pending.text.assign(path);
  pending.suffix.assign(suffix);
  pending.spare = spare;
  pending.is_path = true;
  pending.changed = true;
}

namespace {

size_t BarIndex(ProgressBar bar) { return bar == ProgressBar::kActual ? 0 : 1; }

}  // namespace

void WindowRunHost::ApplyPending() {
  for (size_t i = 0; i < pending_labels_.size(); ++i) {
    PendingLabel& pending = pending_labels_[i];
    if (!pending.changed) continue;
    pending.changed = false;
    const auto label = static_cast<ProgressLabel>(i);
    if (pending.is_path) {
      std::string text =
          FitPathToWidth(pending.text, LabelWidth(label) - pending.spare,
                         [this, label](std::string_view part) { return TextWidth(label, part); });
      text.append(pending.suffix);
      panel_.SetLabel(label, ToQString(text));
    } else {
      panel_.SetLabel(label, ToQString(pending.text));
    }
  }
  for (const ProgressBar bar : {ProgressBar::kActual, ProgressBar::kTotal}) {
    PendingBar& pending = pending_bars_[BarIndex(bar)];
    GradientProgressBar& shown = panel_.Bar(bar);
    if (pending.range_changed) shown.SetRange64(pending.minimum, pending.maximum);
    if (pending.range_changed || pending.value_changed) shown.SetValue64(pending.value);
    pending.range_changed = false;
    pending.value_changed = false;
  }
}

int WindowRunHost::LabelWidth(ProgressLabel label) const { return panel_.LabelWidth(label); }

int WindowRunHost::TextWidth(ProgressLabel label, std::string_view text) const {
  return panel_.TextWidth(label, ToQString(text));
}

void WindowRunHost::SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) {
  PendingBar& pending = pending_bars_[BarIndex(bar)];
  if (!pending.range_changed && !pending.value_changed) {
    // Starts from what the bar shows, which may have been set from elsewhere.
    const GradientProgressBar& shown = panel_.Bar(bar);
    pending.value = shown.Value64();
  }
  pending.minimum = minimum;
  pending.maximum = std::max(minimum, maximum);
  pending.value = std::clamp(pending.value, pending.minimum, pending.maximum);
  pending.range_changed = true;
}

void WindowRunHost::SetBarValue(ProgressBar bar, int64_t value) {
  PendingBar& pending = pending_bars_[BarIndex(bar)];
  if (!pending.range_changed && !pending.value_changed) {
    const GradientProgressBar& shown = panel_.Bar(bar);
    pending.minimum = shown.Minimum64();
    pending.maximum = shown.Maximum64();
    pending.value = shown.Value64();
  }
  if (value < pending.minimum || value > pending.maximum) return;
  pending.value = value;
  pending.value_changed = true;
}

void WindowRunHost::ShowProgressPanel(bool visible) {
  ApplyPending();
  if (visible) {
    covered_.hide();
    panel_.show();
    panel_.raise();
  } else {
    panel_.hide();
  }
}

void WindowRunHost::ProcessEvents() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_events_ < event_interval_) return;
  last_events_ = now;
  ApplyPending();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WindowRunHost::ShowFailureMessage(std::string_view text) {
  // The panel shows where the run stood while the message is read.
  ApplyPending();
  dialogs_.Warn(ToQString(text));
}

void WindowRunHost::SetIconAnimation(bool on) {
  if (icon_animation_) icon_animation_(on);
}

}  // namespace parvolind::ui
