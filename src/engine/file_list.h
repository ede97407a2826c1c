#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace parvolind {

/// The files a job concerns, in the order the walk found them. Each is kept as its folder and its
/// name, with the length and last write the walk saw, so that a list of a million files takes a
/// few dozen bytes per file rather than a string each.
class FileList {
 public:
  /// A folder number that names no folder.
  static constexpr uint32_t kNoFolder = static_cast<uint32_t>(-1);

  FileList() = default;
  /// A list of full paths, each split at its last separator (what the walk's folders would give).
  FileList(std::initializer_list<std::string_view> paths);
  FileList(FileList&&) noexcept = default;
  FileList& operator=(FileList&&) noexcept = default;
  FileList(const FileList&) = delete;
  FileList& operator=(const FileList&) = delete;

  /// Starts a folder (its full path, ending in the separator) that the next files go into; its
  /// device and inode identify it. `statuses_hold` says that the folder was reached without a
  /// link on the way, so that what is seen in it can change only through its own paths.
  /// Returns the folder's number.
  uint32_t AddFolder(std::string_view path, uint64_t device, uint64_t inode, bool statuses_hold);
  /// Adds a file of the folder started last. `status` is what the walk saw of it; null, or one
  /// that is no regular file, when that must be looked at again (a link, say).
  void AddFile(std::string_view name, const FileStatus* status);
  /// Adds a file by its full path, in a folder of its own unless it shares the last one's.
  void Add(std::string_view path);

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  /// The full path of the file at `position`.
  std::string Path(size_t position) const;
  /// The folder of the file at `position`, ending in the separator.
  std::string_view FolderOf(size_t position) const { return folders_[At(position).folder].path; }
  /// The name of the file at `position` within its folder.
  std::string_view NameOf(size_t position) const {
    const Entry& entry = At(position);
    return {entry.name, entry.name_size};
  }
  /// What the walk saw of the file at `position` (exists, is_regular, size and mtime_ns set);
  /// false where that may no longer hold: a link, a folder reached through a link or reached
  /// twice, or a file that could not be looked at. A file whose status holds changes only
  /// where its own path is written.
  bool ListedStatus(size_t position, FileStatus& status) const;

  /// Drops every file below `folder` (ending in the separator), keeping the others' order.
  void RemoveBelow(std::string_view folder);
  /// Marks the folders that `a` and `b` hold more than once (the same device and inode by two
  /// paths, a bind mount say) as folders whose statuses do not hold: a copy into one changes
  /// the other unseen. Either may be null.
  static void DistrustFoldersSeenTwice(FileList* a, FileList* b);

  /// Every full path in order (for tests and messages).
  std::vector<std::string> Paths() const;
  /// Frees everything.
  void Clear() { *this = FileList(); }

 private:
  struct Entry {
    const char* name = nullptr;  // in names_
    uint32_t folder = 0;
    uint16_t name_size = 0;
    bool status_known = false;
    int64_t size = 0;
    int64_t mtime_ns = 0;
  };
  struct Folder {
    std::string path;
    uint64_t device = 0;
    uint64_t inode = 0;
    bool statuses_hold = false;
  };
  // Entries live in blocks that never move, so the list grows without copying (and without a
  // moment in which the old and the new array are both held).
  static constexpr size_t kBlockBits = 12;
  static constexpr size_t kBlockSize = size_t{1} << kBlockBits;
  static constexpr size_t kNameBlockSize = 1 << 16;

  const Entry& At(size_t position) const {
    return blocks_[position >> kBlockBits][position & (kBlockSize - 1)];
  }
  Entry& Append();
  const char* StoreName(std::string_view name);

  std::vector<std::unique_ptr<Entry[]>> blocks_;
  size_t count_ = 0;
  std::vector<Folder> folders_;
  std::vector<std::unique_ptr<char[]>> name_blocks_;
  size_t name_used_ = kNameBlockSize;  // of the last name block
};

}  // namespace parvolind
