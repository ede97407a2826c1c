#pragma once

#include <cstdint>
#include <string>

#include "engine/log_writer.h"
#include "platform/file_system.h"

namespace parvolind {

/// What a root's file system does with the time a copy gives a file.
struct TimeKeeping {
  int64_t resolution_ms = 1;  ///< the steps it keeps times in, at least 1 ms
  bool kept = true;           ///< false: it keeps no time at all (a file bears its write moment)
  bool again_after_rename = false;  ///< a rename sets the time: set it again afterwards
};

/// Finds out what times the file system of `root` keeps, with a probe file that goes the way of
/// a copy. Logs when it keeps none. Without a probe (the root cannot be written) the defaults.
TimeKeeping ProbeTimes(FileSystem& fs, LogWriter& log, const std::string& root);

/// The probe's finding as a job keeps it between runs: the resolution in milliseconds, 0 for a
/// file system that keeps no times.
int32_t TimeStepOf(const TimeKeeping& keeping);
/// What a finding kept for `root` says, logged as the probe logs it; a value that says nothing
/// sensible gives the defaults. A preview, which writes no probe file, goes by it.
TimeKeeping KeptTimes(LogWriter& log, const std::string& root, int32_t step);

/// Which of a sending and a receiving file is newer, at the resolution of their file systems.
enum class TimeOrder {
  kReceivingNewer,  ///< also when the sending file is gone
  kSame,
  kReceivingOlder,
  kUnknown,  ///< the times say nothing (a side that keeps none); the sizes are equal
};

/// Compares the last-write times of `source` and `target`: times closer than `resolution_ms`
/// count as the same; `sending_timeless` says the sending side keeps no times.
TimeOrder CompareTimes(int64_t resolution_ms, bool sending_timeless, const FileStatus& source,
                       const FileStatus& target);

}  // namespace parvolind
