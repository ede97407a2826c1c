#include "engine/time_keeping.h"

#include <climits>
#include <memory>
#include <string_view>

#include "engine/file_transfer.h"

namespace parvolind {
namespace {

constexpr std::string_view kTimesNotKept =
    " kann keine Zeitstempel speichern; Dateien gleicher Größe gelten dort als unverändert.";
// The time a root's probe file is given: an odd second with a fraction, so that what comes back
// tells whether the file system keeps nanoseconds, hundredths, seconds or two seconds.
constexpr int64_t kProbeTime = int64_t{1614834367} * 1000000000 + 891234567;
constexpr int64_t kNanosPerMilli = 1000000;
constexpr int64_t kCoarsestTimeNs = int64_t{2000} * kNanosPerMilli;

// A file's last-write time to the millisecond. Comparing these is comparing the
// local times the user sees at one zone offset, without the jumps a change between
// summer and winter time would put between two files' local times.
constexpr int64_t kNoTime = LLONG_MIN;

int64_t MillisecondsOf(const FileStatus& status) {
  if (!status.exists || status.is_directory) return kNoTime;
  int64_t ms = status.mtime_ns / 1000000;
  if (status.mtime_ns % 1000000 < 0) --ms;
  return ms;
}

}  // namespace

int32_t TimeStepOf(const TimeKeeping& keeping) {
  return keeping.kept ? static_cast<int32_t>(keeping.resolution_ms) : 0;
}

TimeKeeping KeptTimes(LogWriter& log, const std::string& root, int32_t step) {
  TimeKeeping keeping;
  if (step == 0) {
    keeping.kept = false;
    log.WriteError(root + std::string(kTimesNotKept));
  } else if (step > 0 && step <= 2000) {
    keeping.resolution_ms = step;
  }
  return keeping;
}

TimeKeeping ProbeTimes(FileSystem& fs, LogWriter& log, const std::string& root) {
  // The probe goes the way of a copy: a temporary file, given its time while open, closed and
  // renamed. Some file systems cut the time, some give a renamed file the moment of the rename.
  TimeKeeping keeping;
  std::string probe_path;
  std::string renamed_path;
  std::unique_ptr<File> probe =
      fs.CreateTemporaryFile(root, FileTransfer::kTemporaryPrefix, &probe_path);
  if (!probe) return keeping;
  std::unique_ptr<File> place =
      fs.CreateTemporaryFile(root, FileTransfer::kTemporaryPrefix, &renamed_path);
  if (!place) {
    probe->Close();
    fs.RemoveFile(probe_path);
    return keeping;
  }
  place->Close();
  probe->SetTimes(kProbeTime, kProbeTime);
  probe->Close();
  if (fs.Rename(probe_path, renamed_path) != 0) {
    fs.RemoveFile(probe_path);
    fs.RemoveFile(renamed_path);
    return keeping;
  }
  const auto distance = [&fs, &renamed_path] {
    const FileStatus status = fs.Stat(renamed_path);
    if (!status.exists) return kCoarsestTimeNs;
    const int64_t difference = status.mtime_ns - kProbeTime;
    return difference < 0 ? -difference : difference;
  };
  int64_t off = distance();
  if (off >= kCoarsestTimeNs) {
    keeping.again_after_rename = fs.SetTimes(renamed_path, kProbeTime, kProbeTime) == 0 &&
                                 (off = distance()) < kCoarsestTimeNs;
  }
  fs.RemoveFile(renamed_path);
  if (off >= kCoarsestTimeNs) {
    keeping.kept = false;
    log.WriteError(root + std::string(kTimesNotKept));
  } else if (off >= 1000 * kNanosPerMilli) {
    keeping.resolution_ms = 2000;
  } else if (off >= 10 * kNanosPerMilli) {
    keeping.resolution_ms = 1000;
  } else if (off >= kNanosPerMilli) {
    keeping.resolution_ms = 10;
  }
  return keeping;
}

TimeOrder CompareTimes(int64_t resolution_ms, bool sending_timeless, const FileStatus& source,
                       const FileStatus& target) {
  const int64_t source_time = MillisecondsOf(source);
  const int64_t target_time = MillisecondsOf(target);
  if (source_time == kNoTime) return TimeOrder::kReceivingNewer;
  const int64_t difference = target_time - source_time;
  if (difference >= resolution_ms) return TimeOrder::kReceivingNewer;
  if (difference > -resolution_ms) return TimeOrder::kSame;
  // A sending file that bears only the moment it was written is not newer for that.
  if (sending_timeless && source.size == target.size) return TimeOrder::kUnknown;
  return TimeOrder::kReceivingOlder;
}

}  // namespace parvolind
