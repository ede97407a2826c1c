#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/progress_sink.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"

namespace parvolind {

/// Writes the program's text log: one line per call, appended with CR LF, the file opened and
/// closed for every line. A line that cannot be written never stops the caller. Job names, paths
/// and error texts are written with each control character as '?'.
class LogWriter {
 public:
  /// `log_path` is the log file (the program passes the file beside its executable);
  /// `logging_enabled` says, asked for every line, whether lines are written at all
  /// (`Logfileerstellen1`).
  LogWriter(std::string log_path, FileSystem& fs, ProgressSink& progress,
            std::function<bool()> logging_enabled, const Clock& clock, const Locale& locale);

  /// Appends `line` + CR LF when logging is on, then lets `progress` process events
  /// (also when logging is off or the write failed). False when the line could not be written;
  /// the first such error's text is kept until TakeFirstError().
  bool WriteLogInfo(std::string_view line);

  /// The current local time as the log shows it: "08.12.2026 14:05:09"; exactly at midnight
  /// (00:00:00) the date alone.
  std::string TimeStamp() const;

  /// Program start: outer rule, time, "Parvolind gestartet", inner rule.
  void WriteStartEntry();
  /// Program ended by the user; closes the instance's log with the outer rule.
  void WriteUserStopEntry();
  /// Program ended by the end of the session; closes with the outer rule.
  void WriteShutdownStopEntry();
  /// The three lines that open a run of `job_name`.
  void WriteRunStart(const std::string& job_name);
  /// "Fehler:       <path> konnte nicht synchronisiert werden."
  void WriteFileFailure(const std::string& path);
  /// "Fehler:       <path> wurde auf beiden Seiten geändert und nicht überschrieben.": a file
  /// of a job that synchronises both ways differs on the two sides while neither is newer.
  void WriteFileConflict(const std::string& path);
  /// The end of a completed run with its result block: `files` copies started, the duration
  /// from `elapsed_ms`.
  void WriteRunCompleted(int64_t files, uint32_t elapsed_ms);
  /// The end of a cancelled or failed run.
  void WriteRunCancelled();
  /// A run-level error line: "Fehler:       " + text.
  void WriteError(std::string_view text);

  /// While silenced, no line reaches the file: a preview writes no log. Events are processed as
  /// ever.
  void SetSilenced(bool silenced) { silenced_ = silenced; }
  /// Hands the text of every error line (WriteError(), WriteFileFailure(), without the label)
  /// to `observer` as well, silenced or not; an empty function stops that.
  void SetErrorObserver(std::function<void(std::string_view text)> observer) {
    error_observer_ = std::move(observer);
  }

  /// The text of the first failed write since the last call, if any; forgets it.
  std::optional<std::string> TakeFirstError();
  /// The path lines are written to.
  const std::string& Path() const { return log_path_; }

 private:
  std::string log_path_;
  FileSystem& fs_;
  ProgressSink& progress_;
  std::function<bool()> logging_enabled_;
  const Clock& clock_;
  const Locale& locale_;
  std::optional<std::string> first_error_;
  bool silenced_ = false;
  std::function<void(std::string_view)> error_observer_;
};

/// `text` with every control character as '?', as the log writes paths and error texts, so that
/// a file name with a line break in it cannot forge a line of its own.
std::string PrintableText(std::string_view text);

}  // namespace parvolind
