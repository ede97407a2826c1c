#include "ui/run/gradient_progress_bar.h"

#include <QPainter>
#include <algorithm>
#include <climits>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

// The fill blends from the frame colour to white in this many distinct colours.
constexpr int kGradientSteps = 236;

uint64_t Span(int64_t minimum, int64_t maximum) {
  return static_cast<uint64_t>(maximum) - static_cast<uint64_t>(minimum);
}

}  // namespace

GradientProgressBar::GradientProgressBar(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
  setOrientation(Qt::Horizontal);
  setRange(0, 100);
  setValue(0);
  Show(true);
}

void GradientProgressBar::SetRange64(int64_t minimum, int64_t maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
  value_ = std::clamp(value_, minimum_, maximum_);
  const uint64_t span = Span(minimum_, maximum_);
  shift_ = 0;
  while ((span >> shift_) > static_cast<uint64_t>(INT_MAX)) ++shift_;
  // An empty range would turn QProgressBar into a busy indicator; 0..1 keeps it a
  // plain bar, shown full (a range without room is complete). QProgressBar repaints at
  // once (the whole window beneath it) when a new range resets its value; held back, the
  // bar is painted with the next events like any other change.
  setUpdatesEnabled(false);
  setRange(0, span == 0 ? 1 : static_cast<int>(span >> shift_));
  setUpdatesEnabled(true);
  Show(true);
}

void GradientProgressBar::SetValue64(int64_t value) {
  if (value < minimum_ || value > maximum_ || value == value_) return;
  value_ = value;
  Show(false);
}

int GradientProgressBar::Scaled(int64_t value) const {
  if (minimum_ == maximum_) return 1;
  return static_cast<int>(Span(minimum_, value) >> shift_);
}

int GradientProgressBar::FillFor(int64_t value) const {
  const int inner = std::max(0, width() - 2);
  // Both factors stay below 2^31, so the product fits into 64 bits.
  return static_cast<int>(static_cast<int64_t>(inner) * Scaled(value) / maximum());
}

void GradientProgressBar::Show(bool force) {
  const int fill = FillFor(value_);
  // Between the ends, a step too small to move the fill is not passed on; a new range
  // and the two ends always carry the exact value into QProgressBar.
  const bool at_end = value_ == minimum_ || value_ == maximum_;
  if (!force && !at_end && fill == shown_fill_) return;
  // QProgressBar paints at once when its value reaches an end, which during a run of
  // many small files would paint the window twice per file; with updates held back
  // the bar is painted with the next events instead.
  setUpdatesEnabled(false);
  setValue(Scaled(value_));
  setUpdatesEnabled(true);
  if (fill != shown_fill_) {
    shown_fill_ = fill;
    update();
  }
}

void GradientProgressBar::BuildGradient() {
  const int inner_width = std::max(0, width() - 2);
  const int inner_height = std::max(0, height() - 2);
  if (inner_width == 0 || inner_height == 0) {
    gradient_ = QPixmap();
    return;
  }
  gradient_ = QPixmap(inner_width, inner_height);
  QPainter painter(&gradient_);
  const QColor from = palette::kFrameLine;
  for (int x = 0; x < inner_width; ++x) {
    const int step = inner_width == 1 ? 0 : x * (kGradientSteps - 1) / (inner_width - 1);
    const auto blend = [step](int channel) {
      return channel + (255 - channel) * step / (kGradientSteps - 1);
    };
    painter.setPen(QColor(blend(from.red()), blend(from.green()), blend(from.blue())));
    painter.drawLine(x, 0, x, inner_height - 1);
  }
}

void GradientProgressBar::resizeEvent(QResizeEvent* event) {
  QProgressBar::resizeEvent(event);
  BuildGradient();
  shown_fill_ = FillFor(value_);
}

void GradientProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(rect().adjusted(1, 1, -1, -1), palette::kButtonFace);
  if (shown_fill_ > 0 && !gradient_.isNull()) {
    painter.drawPixmap(QPoint(1, 1), gradient_, QRect(0, 0, shown_fill_, gradient_.height()));
  }
  painter.setPen(palette::kFrameLine);
  painter.drawRect(frame);
}

}  // namespace parvolind::ui
