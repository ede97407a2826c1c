#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/progress_sink.h"
#include "engine/run_control.h"
#include "engine/run_options.h"
#include "platform/file_system.h"
#include "store/date_time.h"

namespace parvolind {

/// Copies single files safely and reads what the run compares them by (time, CRC-32).
class FileTransfer {
 public:
  /// Names of the temporary files a copy writes beside its target begin with this.
  static constexpr std::string_view kTemporaryPrefix = ".parvolind-tmp-";

  /// Called with the source of a replacement that failed while it was being finished.
  using LateFailure = std::function<void(const std::string& source)>;

  /// Shows the per-file bar on `progress`, stops a copy when `control` asks, and copies
  /// in blocks of the size `options` gives when a copy begins.
  FileTransfer(FileSystem& fs, ProgressSink& progress, const RunControl& control,
               const RunOptions& options);
  /// Finishes the replacements still waiting (see FinishReplacementsInBatches()).
  ~FileTransfer();
  FileTransfer(const FileTransfer&) = delete;
  FileTransfer& operator=(const FileTransfer&) = delete;

  /// From now on a copy that replaces an existing target is finished together with others:
  /// its complete temporary file waits, its data already on the way to disk, until a batch is
  /// full or FinishPendingReplacements() is called; then each replaces its target once its data
  /// is on disk. SynchronizeFile() returns true for such a copy; should finishing it fail, the
  /// old target stays, the temporary file goes, and `on_failure` is told the source.
  void FinishReplacementsInBatches(LateFailure on_failure);
  /// Puts every waiting replacement in place (or reports its failure). Called before anything
  /// that looks at the targets again, and at the latest by the destructor.
  void FinishPendingReplacements();

  /// For the targets copied from now on: the file system gives a renamed file the moment of the
  /// rename as its time, so the times are set again once the copy has its name.
  void SetTimesAgainAfterRename(bool again) { times_after_rename_ = again; }

  /// Copies `source` onto `target` in blocks of the options' copy_buffer_size bytes, into a
  /// temporary file beside the target that replaces the target only when it is complete (for a new
  /// target a file without a name where the file system allows, named only when complete); the
  /// target's folder is created when missing. A target that appears while a new one is copied
  /// is left as it is and the copy fails. A target that is a link to a file is replaced by the
  /// copy, never written through. The kActual bar shows the bytes; the cancel request is
  /// looked at after every block. A new target gets the source's permission bits, a replaced one
  /// keeps its own; both get the source's time stamps. With the options' trash on, the old version
  /// of a replaced target goes into the desktop's trash as the new one takes its place; a target
  /// that cannot be put there is not replaced. False when cancelled or failed, or when
  /// the source changed while it was read: the old target is then untouched, a new one absent,
  /// and no temporary file is left behind. A replacement may be finished later, in a batch: see
  /// FinishReplacementsInBatches().
  bool SynchronizeFile(const std::string& source, const std::string& target);

  /// A copy onto a target that is likely missing, made ready apart from its name by
  /// PrepareNewCopies() and finished by FinishCopy().
  class PreparedCopy {
   public:
    /// False for a copy left out (its target was listed): it is to be copied in its turn.
    bool Made() const { return stage_ != Stage::kLeftOut; }

   private:
    friend class FileTransfer;
    enum class Stage { kLeftOut, kNotStarted, kNoSource, kCopied };
    Stage stage_ = Stage::kNotStarted;
    std::string source_;
    std::string target_;
    FileStatus before_;
    std::unique_ptr<File> output_;
    int64_t moved_ = 0;      // what the copy of the data moved, -1 when it failed
    bool complete_ = false;  // the data is whole and unchanged, the file's length and bits set
  };

  /// Whether PrepareNewCopies() can make copies ready: false once the receiving file system was
  /// found to make no files without a name.
  bool PreparesNewCopies() const { return !no_unnamed_files_.load(std::memory_order_relaxed); }
  /// Copies being made ready by PrepareNewCopies(), taken one by one in their order.
  class PreparedBatch {
   public:
    PreparedBatch() = default;
    /// A batch let go tells the helper threads to stop making its copies ready.
    ~PreparedBatch() { Stop(); }
    PreparedBatch(PreparedBatch&& other) noexcept = default;
    PreparedBatch& operator=(PreparedBatch&& other) noexcept {
      Stop();
      shared_ = std::move(other.shared_);
      return *this;
    }
    /// How many copies the batch holds.
    size_t size() const { return shared_ ? shared_->copies.size() : 0; }
    /// The copy at `index` (below size()), made ready: by a helper thread where one has done so
    /// already, otherwise here and now, never waiting for a helper.
    PreparedCopy& Take(size_t index);

   private:
    friend class FileTransfer;
    enum State : int { kFree, kHelper, kDone, kTaken };
    struct Slot {
      std::atomic<int> state{kFree};
      PreparedCopy by_helper;  // filled by the helper that set kHelper, valid at kDone
      PreparedCopy by_taker;   // filled by Take() where no helper had finished
    };
    // Shared with the helper threads, which may still be at work on it when the batch is gone.
    struct Shared {
      explicit Shared(size_t count) : copies(count), back(static_cast<int64_t>(count)) {}
      FileTransfer* transfer = nullptr;
      int64_t block_size = 0;
      bool look_first = false;
      std::vector<Slot> copies;
      std::atomic<int64_t> back;  // helpers take the copies below this, from the last one down
    };
    // A helper thread's part: copies from the back until it meets the taker.
    static void Help(Shared& shared);
    void Stop() {
      if (shared_) shared_->back.store(-1);
    }
    std::shared_ptr<Shared> shared_;
  };

  /// Makes copies of `sources[i]` onto `targets[i]` ready, in helper threads from the last one
  /// down while the caller takes them from the first one up (FileSystem::StartHelperThreads(),
  /// FileSystem::WorkThreads()):
  /// a small source is copied into a file without a name in its target's folder, which must
  /// exist, with its permission bits and times. Nothing is shown, asked, named or created
  /// otherwise. Those with `listed[i]` (the receiving side's list has them) are left out; with
  /// `look_first` (there is no such list) each target is looked at first, without following a
  /// link, and left out where anything is there. A large source, a missing folder and a file
  /// system without unnamed files are left to FinishCopy(). Safe only for targets in folders the
  /// run may write in.
  PreparedBatch PrepareNewCopies(const std::vector<std::string>& sources,
                                 const std::vector<std::string>& targets,
                                 const std::vector<bool>& listed, bool look_first);
  /// Finishes a copy made ready (Made()) whose target the caller has just found missing, nothing
  /// in its place, not even a link: as SynchronizeFile() copies it, with the same bar values, the
  /// same looks at the cancel request in the same order and the same result. The copy gets its
  /// name only here, so a cancel before leaves nothing behind.
  bool FinishCopy(PreparedCopy& prepared);

  /// CRC-32 (as zlib computes it) of a file's content; 0 for an empty file and for a file that
  /// cannot be opened. A read error gives the CRC of the bytes read so far.
  uint32_t GetFileCRC32(const std::string& path);

  /// The last-write time of a file as a local date-time value, to the millisecond; -1.0 when
  /// the path is missing or a directory.
  DateTime GetFileModifyDate(const std::string& path);
  /// The same from a status already taken, so a caller needs only one look per file.
  DateTime ModifyDateOf(const FileStatus& status);

  /// Whether a directory-entry name is one of the copy's temporary files: the prefix, a process
  /// id, '-' and the ten random characters, exactly as FileSystem::CreateTemporaryFile() makes
  /// them. Any other name, even one that begins with the prefix, belongs to the user.
  static bool IsTemporaryName(std::string_view name);

  /// Removes a temporary file left behind by a copy that was killed, unless a running copy
  /// still holds it. True when it was removed.
  bool RemoveStaleTemporaryFile(const std::string& path);

 private:
  // SynchronizeFile(); `unnamed_allowed` false copies through a named temporary file always.
  bool Copy(const std::string& source, const std::string& target, bool unnamed_allowed);
  // The part of PrepareNewCopies() for one file; runs in any thread.
  void Prepare(PreparedCopy& prepared, int64_t block_size, bool look_first);
  // What NameUnnamed() did. On anything but kNamed the file is closed and gone.
  enum class Naming { kNamed, kFailed, kRefused };
  // Gives a complete copy without a name the name `destination`; kRefused where the file system
  // cannot name such files (the caller copies again the named way).
  Naming NameUnnamed(File& output, const std::string& destination);
  // The options' block size, or the default where they give none.
  int32_t BlockSize() const;

  // A complete copy that waits for its data to reach the disk before it replaces its target.
  struct Replacement {
    std::unique_ptr<File> file;
    std::string temporary_path;
    std::string destination;
    std::string source;
    bool trash = false;
    bool times_again = false;
    int64_t atime_ns = 0;
    int64_t mtime_ns = 0;
  };

  // Renames a complete temporary file onto `destination`; with `trash` the file it replaces goes
  // into the trash first, and comes back should the rename fail. With `times_again` the times are
  // set once more under the new name. False when the temporary file could not take the place
  // (it is still there then). Safe to run in several threads.
  bool PutInPlace(const std::string& temporary_path, const std::string& destination, bool trash,
                  bool times_again, int64_t atime_ns, int64_t mtime_ns);

  FileSystem& fs_;
  ProgressSink& progress_;
  const RunControl& control_;
  const RunOptions& options_;
  std::vector<char> buffer_;
  bool batched_ = false;
  bool times_after_rename_ = false;
  LateFailure on_late_failure_;
  std::vector<Replacement> pending_;
  int64_t pending_bytes_ = 0;
  // Set by a copy made ready that found no way to make a file without a name.
  std::atomic<bool> no_unnamed_files_{false};
  // Started with the first batch; the last member, so that it waits for its threads' work before
  // anything that work uses goes.
  std::unique_ptr<HelperThreads> helpers_;
};

}  // namespace parvolind
