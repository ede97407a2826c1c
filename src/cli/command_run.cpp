// `parvolind-cli run NAME`: runs one job through the same engine, log and store
// values as the desktop program, with a one-line progress display on a terminal.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/cli_commands.h"
#include "engine/log_writer.h"
#include "engine/progress_sink.h"
#include "engine/run_control.h"
#include "engine/run_options.h"
#include "engine/synchronisation_run.h"
#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/interrupt.h"
#include "platform/run_lock.h"
#include "platform/terminal.h"
#include "schedule/schedule_computation.h"
#include "store/job_store.h"
#include "store/registry_key.h"
#include "store/settings.h"

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

struct Bar {
  int64_t minimum = 0;
  int64_t maximum = 100;
  int64_t value = 0;
};

/// The run's progress in a terminal: keeps the panel's state, shows the action and the
/// overall progress on one line when standard output is a terminal (and nothing
/// otherwise), turns Ctrl-C into `control`'s cancel request, and prints the failure
/// message to standard error.
class TerminalProgress : public ProgressSink {
 public:
  TerminalProgress(std::ostream& out, std::ostream& err, const InterruptWatch& interrupt,
                   RunControl& control)
      : out_(out),
        err_(err),
        interrupt_(interrupt),
        control_(control),
        terminal_(StandardOutputIsTerminal()),
        columns_(terminal_ ? TerminalColumns() : 80) {}

  void SetLabel(ProgressLabel label, std::string_view text) override {
    if (label == ProgressLabel::kAction) action_.assign(text);
  }
  int LabelWidth(ProgressLabel label) const override {
    // The action shares its line with the percentage in front of it.
    const int columns = label == ProgressLabel::kAction ? columns_ - 8 : columns_;
    return columns * kPixelsPerColumn;
  }
  int TextWidth(ProgressLabel, std::string_view text) const override {
    return CountCharacters(text) * kPixelsPerColumn;
  }

  void SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) override {
    Bar& b = bars_[Index(bar)];
    b.minimum = minimum;
    b.maximum = maximum;
    if (b.value < minimum || b.value > maximum) b.value = minimum;
  }
  void SetBarValue(ProgressBar bar, int64_t value) override {
    Bar& b = bars_[Index(bar)];
    if (value >= b.minimum && value <= b.maximum) b.value = value;
  }

  void ShowProgressPanel(bool visible) override {
    if (!visible) ClearLine();
  }

  void ProcessEvents() override {
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

  void ShowFailureMessage(std::string_view text) override {
    ClearLine();
    err_ << text << "\n";
  }

  void SetIconAnimation(bool) override {}

  /// Whether Ctrl-C or SIGTERM asked for the cancel.
  bool InterruptSeen() const { return interrupt_seen_; }

 private:
  static int Index(ProgressBar bar) { return bar == ProgressBar::kActual ? 0 : 1; }

  void Draw() {
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

  void ClearLine() {
    if (!terminal_ || drawn_width_ == 0) return;
    out_ << '\r' << std::string(static_cast<size_t>(drawn_width_), ' ') << '\r' << std::flush;
    drawn_width_ = 0;
  }

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

}  // namespace

int RunCommand(CliContext& context, const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) {
    context.err << "Aufruf: parvolind-cli run NAME\n";
    return kExitUsage;
  }
  const std::string& job_name = args[0];
  JobStore store(context.hive, context.clock, context.locale);
  if (!store.JobExists(job_name)) {
    context.err << "Auftrag nicht gefunden: " << job_name << "\n";
    return kExitUsage;
  }

  // The settings a run needs, read without the start-up's write-backs.
  bool logging = true;
  bool trash = true;
  int32_t copy_buffer_size = Settings::kDefaultCopyBufferSize;
  try {
    RegistryKey settings(context.hive);
    settings.OpenForReading(kProgramKeyPath);
    if (settings.ValueExists("Logfile")) logging = settings.ReadBool("Logfile");
    if (settings.ValueExists("Trash")) trash = settings.ReadBool("Trash");
    if (settings.ValueExists("BufferSize")) {
      const int32_t kilobytes = settings.ReadInteger("BufferSize");
      if (Settings::IsBufferSize(kilobytes)) {
        copy_buffer_size = Settings::CopyBufferSizeFor(kilobytes);
      }
    }
  } catch (const std::exception& error) {
    context.err << error.what() << "\n";
    return kExitFailed;
  }

  std::unique_ptr<FileSystem> fs = CreateFileSystem();
  std::unique_ptr<RunLocks> locks = CreateUserRunLocks();
  ScheduleComputation schedule(context.hive, context.clock);
  InterruptWatch interrupt;
  RunControl control;
  TerminalProgress progress(context.out, context.err, interrupt, control);
  LogWriter log(
      FileBesideExecutable("parvolind.log"), *fs, progress, [logging] { return logging; },
      context.clock, context.locale);
  SynchronisationRun run(
      context.hive, *fs, progress, control, log, context.clock, context.locale,
      [&schedule](const std::string& name) { return schedule.GetJobDate(name); }, *locks);
  const RunResult result = run.ExecuteSynchronisation(
      job_name, RunOptions{.copy_buffer_size = copy_buffer_size, .trash = trash});

  if (result.log_error) {
    context.err << "Das Protokoll konnte nicht geschrieben werden: " << *result.log_error << "\n";
  }
  switch (result.outcome) {
    case RunOutcome::kCompleted:
      if (result.failed_files > 0) {
        context.err << "Die Synchronisation wurde abgeschlossen; " << result.failed_files
                    << " Datei(en) konnten nicht synchronisiert werden.\n";
      }
      // A log that could not be written is no failed run (the files are in step),
      // but a script must be able to tell it from a clean one.
      return result.failed_files > 0 || result.log_error ? kExitIncomplete : kExitCompleted;
    case RunOutcome::kCancelled:
      context.err << "Die Synchronisation wurde abgebrochen.\n";
      return kExitCancelled;
    case RunOutcome::kFailed:
      if (!result.failure_reason.empty()) context.err << result.failure_reason << "\n";
      return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace parvolind::cli
