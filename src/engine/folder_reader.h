#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace parvolind {

struct FolderWalk;

/// One file of a folder as FolderReader read it (a regular file, or a link to one or to
/// nothing): its name and, where it was looked at, its status.
struct FolderEntry {
  uint32_t name_offset = 0;  ///< in Folder::names
  uint16_t name_size = 0;
  bool link : 1 = false;         ///< the entry is a link (followed for its status)
  bool status_read : 1 = false;  ///< the fields below were looked at
  bool exists : 1 = false;
  bool is_regular : 1 = false;
  bool is_directory : 1 = false;
  int64_t size = 0;
  int64_t mtime_ns = 0;

  /// The status as far as it was read (exists, is_regular, is_directory, size, mtime_ns).
  FileStatus Status() const;
};

/// A folder of a walk, read by FolderReader in one go: the folder's own status, its files (what
/// is neither a folder nor a pipe, socket or device) in the order the file system lists them,
/// and the subfolders the walk may enter, in that order.
struct Folder {
  std::string path;     ///< ending in the separator
  bool opened = false;  ///< false: it could not be opened (open_error says why)
  int open_error = 0;
  FileStatus self;  ///< the open folder's status
  /// False for a folder only opened: one that the walk passes over (see FolderRules).
  bool entries_read = false;
  int read_error = 0;  ///< reading stopped early with this code (see DirectoryStream)
  std::vector<FolderEntry> entries;
  std::string names;
  /// One for each entry that is a folder the walk may enter (not hidden), in entry order.
  std::vector<std::unique_ptr<Folder>> subfolders;
  /// Whether each subfolder was reached through a link, in the same order.
  std::vector<bool> subfolders_via_link;

  std::string_view NameOf(const FolderEntry& entry) const {
    return std::string_view(names).substr(entry.name_offset, entry.name_size);
  }

 private:
  friend class FolderReader;
  enum class State { kWaiting, kReading, kRead };
  State state_ = State::kWaiting;
  Folder* parent_ = nullptr;
  bool abandoned_ = false;
  FolderWalk* walk_ = nullptr;
};

/// What decides how a walk's folders are read.
struct FolderRules {
  bool sub_dirs = true;  ///< subfolders are entered
  /// Whether a file of this name is looked at (the others are only listed by name).
  std::function<bool(std::string_view)> wants_status;
  /// Folders with these device and inode pairs are only opened, never read (the walk passes
  /// them over). So are those that are their own ancestors on the walk (a link's loop).
  std::vector<std::pair<uint64_t, uint64_t>> not_entered;
  /// Says what wants_status() does; a walk read ahead is taken only by a walk with equal rules.
  std::string key;
};

/// Reads the folders of walks, ahead of the walk in helper threads where the machine has
/// processors to spare, so that listing and looking at entries (system calls on cached
/// metadata, mostly) run side by side. The walk itself, and everything it decides, stays on the
/// calling thread: it takes the folders in its own order and sees in each exactly what reading
/// it at that moment would have shown. With one thread everything is read on the calling
/// thread, when the walk asks for it.
class FolderReader {
 public:
  /// `threads` counts the calling thread: 1 reads nothing ahead.
  FolderReader(FileSystem& fs, size_t threads);
  ~FolderReader();
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;

  /// Starts reading the walk of `path` (ending in the separator) ahead; Take() gives it.
  void Start(const std::string& path, FolderRules rules);
  /// The root folder of the walk of `path` started with equal rules, or of a new walk.
  /// Read ahead or not, each folder is awaited with Await() before it is used; Finish() ends
  /// the walk.
  Folder& Take(const std::string& path, FolderRules rules);
  /// Waits until `folder` is read, reading it on this thread where no helper has started on
  /// it. `between` is called now and then while this thread reads or waits. With `enter`, a
  /// folder that the rules passed over is read all the same.
  void Await(Folder& folder, const std::function<void()>& between, bool enter = false);
  /// The walk no longer needs what lies below `folder`: it is not read ahead.
  void Abandon(Folder& folder);
  /// Ends the walk whose root is `root` (from Take()): nothing of it is read any more, and it
  /// is freed.
  void Finish(Folder& root);

 private:
  void Read(Folder& folder, bool enter, const std::function<void()>* between);
  void Queue(Folder& folder);
  void Help();
  Folder* NextWork();

  FileSystem& fs_;
  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable folder_read_;
  std::vector<std::unique_ptr<FolderWalk>> walks_;
  bool stopping_ = false;
  std::vector<std::thread> helpers_;
};

}  // namespace parvolind
