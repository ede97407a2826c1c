#include "engine/log_writer.h"

#include <utility>

#include "engine/number_format.h"
#include "platform/io_error.h"

namespace parvolind {
namespace {

const std::string kOuterRule(73, '=');
const std::string kInnerRule(73, '-');
constexpr std::string_view kResultHeading = "- Ergebnis - - - - - - - - - - - - - - -";

constexpr std::string_view kTimeLabel = "Uhrzeit:      ";
constexpr std::string_view kActionLabel = "Aktion:       ";
constexpr std::string_view kKindLabel = "Art:          ";
constexpr std::string_view kJobLabel = "Auftrag:      ";
constexpr std::string_view kErrorLabel = "Fehler:       ";
constexpr std::string_view kEndedLabel = "Beendet um:   ";
constexpr std::string_view kReasonLabel = "Grund:        ";
constexpr std::string_view kFilesLabel = "Dateien:      ";
constexpr std::string_view kDurationLabel = "Dauer:        ";

std::string Join(std::string_view a, std::string_view b, std::string_view c = {}) {
  std::string line;
  line.reserve(a.size() + b.size() + c.size());
  line.append(a);
  line.append(b);
  line.append(c);
  return line;
}

}  // namespace

// The C1 controls count too (in their UTF-8 form), since some readers break lines at U+0085.
std::string PrintableText(std::string_view text) {
  std::string printable;
  printable.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      printable.push_back('?');
    } else if (byte == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      printable.push_back('?');
      ++i;
    } else {
      printable.push_back(text[i]);
    }
  }
  return printable;
}

LogWriter::LogWriter(std::string log_path, FileSystem& fs, ProgressSink& progress,
                     std::function<bool()> logging_enabled, const Clock& clock,
                     const Locale& locale)
    : log_path_(std::move(log_path)),
      fs_(fs),
      progress_(progress),
      logging_enabled_(std::move(logging_enabled)),
      clock_(clock),
      locale_(locale) {}

bool LogWriter::WriteLogInfo(std::string_view line) {
  bool written = true;
  if (!silenced_ && logging_enabled_()) {
    std::string bytes;
    bytes.reserve(line.size() + 2);
    bytes.append(line);
    bytes.append("\r\n");
    // One append per line: concurrent writers (the CLI and the window) interleave whole lines.
    const int error = fs_.AppendToFile(log_path_, bytes);
    if (error != 0) {
      written = false;
      if (!first_error_) first_error_ = IoErrorText(error);
    }
  }
  progress_.ProcessEvents();
  return written;
}

std::string LogWriter::TimeStamp() const {
  const LocalTime now = clock_.Now();
  std::string stamp = locale_.FormatShortDate(now);
  if (now.hour != 0 || now.minute != 0 || now.second != 0) {
    stamp.push_back(' ');
    stamp.append(locale_.FormatLongTime(now));
  }
  return stamp;
}

void LogWriter::WriteStartEntry() {
  WriteLogInfo(kOuterRule);
  WriteLogInfo(Join(kTimeLabel, TimeStamp()));
  WriteLogInfo(Join(kActionLabel, "Parvolind gestartet"));
  WriteLogInfo(kInnerRule);
}

void LogWriter::WriteUserStopEntry() {
  WriteLogInfo(Join(kTimeLabel, TimeStamp()));
  WriteLogInfo(Join(kActionLabel, "Parvolind beendet"));
  WriteLogInfo(Join(kKindLabel, "Terminierung durch Anwender"));
  WriteLogInfo(kOuterRule);
}

void LogWriter::WriteShutdownStopEntry() {
  WriteLogInfo(Join(kTimeLabel, TimeStamp()));
  WriteLogInfo(Join(kActionLabel, "Parvolind beendet"));
  WriteLogInfo(Join(kKindLabel, "System-ShutDown"));
  WriteLogInfo(kOuterRule);
}

void LogWriter::WriteRunStart(const std::string& job_name) {
  WriteLogInfo(Join(kTimeLabel, TimeStamp()));
  WriteLogInfo(Join(kJobLabel, PrintableText(job_name)));
  WriteLogInfo(Join(kKindLabel, "Start der Durchführung"));
}

void LogWriter::WriteFileFailure(const std::string& path) {
  const std::string text = Join(PrintableText(path), " konnte nicht synchronisiert werden.");
  if (error_observer_) error_observer_(text);
  WriteLogInfo(Join(kErrorLabel, text));
}

void LogWriter::WriteFileConflict(const std::string& path) {
  WriteLogInfo(Join(kErrorLabel, PrintableText(path),
                    " wurde auf beiden Seiten geändert und nicht überschrieben."));
}

void LogWriter::WriteRunCompleted(int64_t files, uint32_t elapsed_ms) {
  WriteLogInfo(Join(kEndedLabel, TimeStamp()));
  WriteLogInfo(Join(kReasonLabel, "Ende der Durchführung"));
  WriteLogInfo(kResultHeading);
  WriteLogInfo(Join(kFilesLabel, FormatInteger(files, locale_)));
  WriteLogInfo(Join(kDurationLabel, FormatTwoDecimals(elapsed_ms / 60000.0, locale_), " Minuten"));
  WriteLogInfo(kInnerRule);
}

void LogWriter::WriteRunCancelled() {
  WriteLogInfo(Join(kEndedLabel, TimeStamp()));
  WriteLogInfo(Join(kReasonLabel, "Abbruch der Durchführung"));
  WriteLogInfo(kInnerRule);
}

void LogWriter::WriteError(std::string_view text) {
  const std::string printable = PrintableText(text);
  if (error_observer_) error_observer_(printable);
  WriteLogInfo(Join(kErrorLabel, printable));
}

std::optional<std::string> LogWriter::TakeFirstError() { return std::exchange(first_error_, {}); }

}  // namespace parvolind
