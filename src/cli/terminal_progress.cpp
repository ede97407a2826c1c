#include "cli/terminal_progress.h"

#include <algorithm>

#include "platform/terminal.h"

namespace parvolind::cli {
namespace {

// Texts are measured in characters; one character counts as this many of the
// window's pixels, so the run's pixel margins turn into a few columns.
constexpr int kPixelsPerColumn = 7;
// The progress line is redrawn at most this often.
constexpr std::chrono::milliseconds kRedrawInterval(100);
// Pending work (the interrupt flag) is looked at no more often than this.
constexpr std::chrono::milliseconds kEventInterval(10);

// Number of characters of a UTF-8 text (continuation bytes do not count).
int CountCharacters(std::string_view text) {
  int count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

// The first `columns` characters of a UTF-8 text, never cutting a character.
std::string_view FirstCharacters(std::string_view text, int columns) {
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == columns) return text.substr(0, i);
      ++count;
    }
  }
  return text;
}

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& out, std::ostream& err,
                                   const InterruptWatch& interrupt, RunControl& control)
    : out_(out),
      err_(err),
      interrupt_(interrupt),
      control_(control),
      terminal_(StandardOutputIsTerminal()),
      columns_(terminal_ ? TerminalColumns() : 80) {}

void TerminalProgress::SetLabel(ProgressLabel label, std::string_view text) {
  if (label == ProgressLabel::kAction) action_.assign(text);
}

int TerminalProgress::LabelWidth(ProgressLabel label) const {
  // The action shares its line with the percentage in front of it.
  const int columns = label == ProgressLabel::kAction ? columns_ - 8 : columns_;
  return columns * kPixelsPerColumn;
}

int TerminalProgress::TextWidth(ProgressLabel, std::string_view text) const {
  return CountCharacters(text) * kPixelsPerColumn;
}

void TerminalProgress::SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) {
  Bar& b = bars_[Index(bar)];
  b.minimum = minimum;
  b.maximum = maximum;
  if (b.value < minimum || b.value > maximum) b.value = minimum;
}

void TerminalProgress::SetBarValue(ProgressBar bar, int64_t value) {
  Bar& b = bars_[Index(bar)];
  if (value >= b.minimum && value <= b.maximum) b.value = value;
}

void TerminalProgress::ShowProgressPanel(bool visible) {
  if (!visible) ClearLine();
}

void TerminalProgress::ProcessEvents() {
  if (interrupt_.Requested() && !control_.CancelRequested()) {
    control_.SetCancelRequested(true);
    interrupt_seen_ = true;
  }
  if (!terminal_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_event_ < kEventInterval) return;
  last_event_ = now;
  if (now - last_redraw_ < kRedrawInterval) return;
  last_redraw_ = now;
  Draw();
}

void TerminalProgress::ShowFailureMessage(std::string_view text) {
  ClearLine();
  err_ << text << "\n";
}

void TerminalProgress::Draw() {
  const Bar& total = bars_[1];
  const int64_t span = total.maximum - total.minimum;
  const int64_t percent = span > 0 ? (total.value - total.minimum) * 100 / span : 0;
  std::string line = "[";
  const std::string number = std::to_string(percent);
  line.append(3 - std::min<size_t>(3, number.size()), ' ');
  line += number + "%] ";
  line.append(FirstCharacters(action_, columns_ - 1 - CountCharacters(line)));
  const int width = CountCharacters(line);
  out_ << '\r' << line;
  if (width < drawn_width_) out_ << std::string(static_cast<size_t>(drawn_width_ - width), ' ');
  out_ << '\r' << std::flush;
  drawn_width_ = width;
}

void TerminalProgress::ClearLine() {
  if (!terminal_ || drawn_width_ == 0) return;
  out_ << '\r' << std::string(static_cast<size_t>(drawn_width_), ' ') << '\r' << std::flush;
  drawn_width_ = 0;
}

}  // namespace parvolind::cli
