#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/helper_threads.h"

namespace parvolind {

/// What one look at a path (following links) tells. Times are UTC nanoseconds since 1970.
struct FileStatus {
  bool exists = false;        ///< false when the path could not be found or read
  bool is_directory = false;  ///< a directory (or a link to one)
  bool is_regular = false;    ///< an ordinary file (or a link to one)
  /// Set only by FileSystem::LinkStatus(): the path itself is a symbolic link.
  bool is_link = false;
  int64_t size = 0;      ///< length in bytes
  int64_t mtime_ns = 0;  ///< last write
  int64_t atime_ns = 0;  ///< last access
  /// Permission bits (rwx for owner, group, others); no write bit for the owner means read-only.
  uint32_t mode = 0;
  uint32_t owner = 0;   ///< user id of the owner
  uint32_t group = 0;   ///< group id
  uint64_t device = 0;  ///< with inode, what identifies the file on this machine
  uint64_t inode = 0;   ///< see device
  /// Bytes actually allocated; less than size for a file with holes.
  int64_t allocated = 0;
  /// Why the look failed (errno-like: ENOENT and ENOTDIR for a path that is not there, anything
  /// else for one that may be there but could not be looked at); 0 when it exists.
  int error = 0;
};

/// The kind of a directory entry as the directory listing reports it, without a look at the
/// entry itself. kLink and kUnknown need a Stat() to learn what they lead to.
enum class EntryType { kUnknown, kRegular, kDirectory, kLink, kOther };

/// An open directory, read entry by entry in the order the file system returns them.
class DirectoryStream {
 public:
  virtual ~DirectoryStream() = default;
  /// The next entry other than "." and "..". `name` stays valid until the next call.
  /// False at the end of the directory, and when reading fails (see Error()).
  virtual bool Next(std::string_view& name, EntryType& type) = 0;
  /// After Next() returned false: 0 when the whole directory was read, else the code of the read
  /// that failed (EIO, EBADMSG on a damaged directory block). The rest of the directory is then
  /// unknown, not absent.
  virtual int Error() const = 0;
  /// The status of the open directory itself (its device and inode identify it).
  virtual FileStatus Status() = 0;
  /// The status of the entry the last Next() gave, looked at from the open directory, so that
  /// the folder's path is not walked again for each entry; links are followed when
  /// `follow_links`. Only valid until the next call of Next().
  virtual FileStatus EntryStatus(bool follow_links) = 0;
};

/// An open file. Closed by its destructor if Close() was not called.
class File {
 public:
  virtual ~File() = default;
  /// The status of the open file.
  virtual FileStatus Status() = 0;
  /// Reads up to `size` bytes at the current position: the count read, 0 at the end, -1 on error.
  virtual int64_t Read(void* buffer, int64_t size) = 0;
  /// Writes all `size` bytes at the current position; false when fewer could be written.
  virtual bool Write(const void* data, int64_t size) = 0;
  /// Sets the file's length (also to lengthen it with a hole).
  virtual bool Resize(int64_t size) = 0;
  /// Sets last-access and last-write time, nanoseconds UTC.
  virtual bool SetTimes(int64_t atime_ns, int64_t mtime_ns) = 0;
  /// Sets the permission bits.
  virtual bool SetPermissions(uint32_t mode) = 0;
  /// Gives the file to an owner and group; fails harmlessly where that is not allowed.
  virtual bool SetOwner(uint32_t owner, uint32_t group) = 0;
  /// Makes the file's data and length durable on disk.
  virtual bool SyncData() = 0;
  /// Starts writing the file's data to disk without waiting for it, so that a later sync waits
  /// for less. Only a hint: a false return (the
  /// code in LastError()) changes nothing, SyncData() still does the whole work.
  virtual bool StartWriteBack() = 0;
  /// Closes the file; false when the close reports a late write error.
  virtual bool Close() = 0;
  /// The errno-like code of the last failed operation.
  virtual int LastError() const = 0;
};

/// A file put into the trash by FileSystem::PutInTrash(), with what undoing that needs.
struct TrashEntry {
  std::string original;  ///< where the file was (and, unless moved, still is)
  std::string file;      ///< its name in the trash's files folder
  std::string info;      ///< its .trashinfo file
  bool moved = false;    ///< moved into the trash rather than given a second name there
};

/// Everything the program does to files goes through this, so the core stays free of system
/// headers. Paths are byte strings with '/' as separator; they are never re-encoded. Failed
/// operations give errno-like codes (ENOENT, EACCES, ENOSPC, ...).
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// One look at a path, following links. exists is false when it cannot be found.
  virtual FileStatus Stat(const std::string& path) = 0;
  /// One look at a path without following a final link (is_link says whether it is one).
  virtual FileStatus LinkStatus(const std::string& path) = 0;

  /// Opens a directory for reading; null when it cannot be opened (`error` gets the code).
  virtual std::unique_ptr<DirectoryStream> OpenDirectory(const std::string& path,
                                                         int* error = nullptr) = 0;
  /// Creates a directory with all missing parents; true when it exists afterwards.
  virtual bool CreateDirectoryPath(const std::string& path) = 0;

  /// Opens an existing regular file for reading; null (and `error`) otherwise. Never blocks on
  /// special files such as pipes: those are refused. `status` gets the open file's status.
  virtual std::unique_ptr<File> OpenForReading(const std::string& path, int* error = nullptr,
                                               FileStatus* status = nullptr) = 0;
  /// Creates a new, empty file in `directory` (ending in '/') named `prefix` + the process id in
  /// decimal + '-' + ten random characters from a-z and 0-9 (unique in the directory), readable and
  /// writable only by the owner and locked against RemoveUnlockedFile() for as long as it stays
  /// open. `created_path` gets its full path.
  virtual std::unique_ptr<File> CreateTemporaryFile(const std::string& directory,
                                                    std::string_view prefix,
                                                    std::string* created_path,
                                                    int* error = nullptr) = 0;
  /// Creates a new, empty file in `directory` that has no name yet, with the permission bits
  /// `mode` (by default readable and writable only by the owner), whatever the umask says. It
  /// gets its name only through LinkFile(); until then no one else can see it, and closing it
  /// (or the end of the process, however it ends) frees it with nothing left behind. Null where
  /// the file system cannot do this (`error` gets the code, ENOENT for a missing directory); the
  /// caller then uses CreateTemporaryFile().
  virtual std::unique_ptr<File> CreateUnnamedFile(const std::string& directory,
                                                  int* error = nullptr, uint32_t mode = 0600) = 0;
  /// Gives an open file from CreateUnnamedFile() the name `path` in its own directory. Never
  /// replaces anything: EEXIST when the name is taken (also by a link). 0 or an error code
  /// (EBADF for a file that did not come from this file system).
  virtual int LinkFile(File& file, const std::string& path) = 0;
  /// Copies up to `size` bytes from `source`'s position to `target`'s position, through the
  /// kernel where it can (falling back to `buffer`). Holes of a sparse source are skipped, not
  /// written: the caller sets the final length with Resize(). Returns the bytes moved, fewer
  /// than `size` only when the source ended early, -1 on error (the code in target.LastError(),
  /// or in source.LastError() for a failed read). Files of any origin can be given (a test's
  /// wrapper, say): those are copied through their own Read() and Write().
  virtual int64_t CopyBlock(File& source, File& target, int64_t size,
                            std::vector<char>& buffer) = 0;

  /// Calls `work` for every index below `count`, in a few threads side by side, and returns when
  /// all calls are done. For file operations that mostly wait for the disk: syncs running at the
  /// same time share the flushes of the disk's cache, and replacing files frees the old ones'
  /// blocks in parallel. `work` must be safe to run in several threads and must not throw.
  virtual void ForEachSideBySide(size_t count, const std::function<void(size_t)>& work) = 0;

  /// How many threads work that runs side by side on metadata (reading folders ahead of a walk)
  /// may use, the caller's own among them: the machine's processor count, at most 8. The
  /// environment variable PARVOLIND_THREADS (1 to 64) sets another count; 1 keeps all such
  /// work on the calling thread.
  virtual size_t WorkThreads() = 0;
  /// Starts `count` threads that work beside the calling one (see HelperThreads), for work on
  /// files the processor limits; WorkThreads() less one, say.
  virtual std::unique_ptr<HelperThreads> StartHelperThreads(size_t count) = 0;

  /// Renames `from` over `to` in one step (replacing `to`); 0 or an error code.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  /// Removes a file (not a directory); 0 or an error code.
  virtual int RemoveFile(const std::string& path) = 0;
  /// Removes a file only when no open file of this program family holds its lock (see
  /// CreateTemporaryFile); true when it was removed.
  virtual bool RemoveUnlockedFile(const std::string& path) = 0;

  /// Sets a path's last-access and last-write time (nanoseconds UTC); 0 or an error code.
  virtual int SetTimes(const std::string& path, int64_t atime_ns, int64_t mtime_ns) = 0;
  /// Sets a path's permission bits; 0 or an error code.
  virtual int SetPermissions(const std::string& path, uint32_t mode) = 0;

  /// The path with every link, "." and ".." resolved; empty when it cannot be resolved.
  virtual std::string RealPath(const std::string& path) = 0;

  /// Appends `bytes` to a regular file, creating it (readable and writable by the owner only)
  /// when missing; opened and closed within the call, never waiting. 0 or an error code
  /// (EACCES for a pipe, device or socket in the file's place).
  virtual int AppendToFile(const std::string& path, std::string_view bytes) = 0;

  /// The local calendar time of a UTC moment, with the zone offset in force at that moment
  /// (summer or winter time of the file's own date). Truncated to the millisecond.
  virtual LocalTime LocalTimeOf(int64_t utc_ns) = 0;

  /// The mount point of the file system that an existing path lies on ("/", "/media/anna/STICK"),
  /// as the system's mount table gives it; empty when the path cannot be found.
  virtual std::string MountPointOf(const std::string& path) = 0;

  /// Puts a file (or a link, not followed) into the desktop's trash, where file managers show and
  /// restore it: the home trash for files on the home file system, `$topdir/.Trash/$uid` or
  /// `$topdir/.Trash-$uid` on others (a USB stick keeps its own). The trash's info file is
  /// written before the file arrives, so the file is never without its way back. With
  /// `keep_in_place` the file stays where it is and the trash gets a second name for it (a hard
  /// link), so that renaming a new file over it leaves the old one in the trash alone; where the
  /// file system has no links it is moved all the same (`entry.moved` says which). 0 or an error
  /// code; on an error nothing has changed.
  virtual int PutInTrash(const std::string& path, bool keep_in_place, TrashEntry* entry) = 0;
  /// Undoes PutInTrash(): moves the file back to where it came from, or drops the trash's second
  /// name; the info file goes as well. 0 or an error code.
  virtual int TakeOutOfTrash(const TrashEntry& entry) = 0;
};

/// The file system of the machine the program runs on.
std::unique_ptr<FileSystem> CreateFileSystem();

}  // namespace parvolind
