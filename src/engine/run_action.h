#pragma once

#include <cstdint>
#include <string>

namespace parvolind {

/// What a run does with one file, as its action sink hears it.
enum class RunActionKind {
  kCopy,      ///< a file the receiving side lacks is copied there
  kReplace,   ///< a receiving file is overwritten by its sending counterpart
  kDelete,    ///< a surplus receiving file is deleted (or put in the trash)
  kConflict,  ///< a file changed on both sides of a both-ways job: neither is overwritten
  kError,     ///< something the run logs as an error (a folder it could not read, a link
              ///< leading out of the job's folder, a copy that failed)
};

/// One action of a run.
struct RunAction {
  RunActionKind kind = RunActionKind::kCopy;
  /// The sending file; empty for a deletion and an error.
  std::string source;
  /// The receiving file, the deleted file, or for a conflict the other side's file; empty for
  /// an error.
  std::string target;
  /// Bytes a copy or replacement moves (the sending file's size); 0 for the other kinds.
  int64_t bytes = 0;
  /// For an error: the text the log gives it, without the "Fehler:" label.
  std::string message;

  bool operator==(const RunAction&) const = default;
};

/// Hears every action of a run as the run decides on it: a preview lists them instead of
/// doing them, a real run reports what it goes on to do.
class ActionSink {
 public:
  virtual ~ActionSink() = default;
  virtual void Report(const RunAction& action) = 0;
};

}  // namespace parvolind
