#include "ui/run/window_run_host.h"

#include <QCoreApplication>
#include <QWidget>

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
  pending.changed = true;
}

void WindowRunHost::ApplyPendingLabels() {
  for (size_t i = 0; i < pending_labels_.size(); ++i) {
    PendingLabel& pending = pending_labels_[i];
    if (!pending.changed) continue;
    pending.changed = false;
    panel_.SetLabel(static_cast<ProgressLabel>(i), ToQString(pending.text));
  }
}

int WindowRunHost::LabelWidth(ProgressLabel label) const { return panel_.LabelWidth(label); }

int WindowRunHost::TextWidth(ProgressLabel label, std::string_view text) const {
  return panel_.TextWidth(label, ToQString(text));
}

void WindowRunHost::SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) {
  panel_.Bar(bar).SetRange64(minimum, maximum);
}

void WindowRunHost::SetBarValue(ProgressBar bar, int64_t value) {
  panel_.Bar(bar).SetValue64(value);
}

void WindowRunHost::ShowProgressPanel(bool visible) {
  ApplyPendingLabels();
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
  ApplyPendingLabels();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WindowRunHost::ShowFailureMessage(std::string_view text) { dialogs_.Warn(ToQString(text)); }

void WindowRunHost::SetIconAnimation(bool on) {
  if (icon_animation_) icon_animation_(on);
}

}  // namespace parvolind::ui
