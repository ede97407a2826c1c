#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace parvolind::linux_unnamed {

/// Files without a name (O_TMPFILE) as the file system makes them for copies: created with their
/// final permission bits in one call where nothing would change them, and named through their
/// descriptor where the kernel lets every user do so. Safe to use from several threads.
class UnnamedFiles {
 public:
  UnnamedFiles();

  /// A descriptor of a new file without a name in `folder` whose permission bits are exactly
  /// `mode`; -1 (the code in errno) when it cannot be made.
  int Create(const std::string& folder, uint32_t mode);
  /// Gives the file of descriptor `fd` the name `path`, never replacing one; 0 or the code.
  int Link(int fd, const std::string& path);

 private:
  // Whether a file created in `folder` takes its permission bits from a default ACL rather than
  // from the mode and the umask. The answer for the last folder asked is kept.
  bool HasDefaultAcl(const std::string& folder);

  const int umask_;  // the process's umask, -1 where it cannot be read without changing it
  std::mutex acl_mutex_;
  std::string acl_folder_;
  bool acl_folder_has_ = true;
  // 1: naming through the descriptor works; -1: it needs a privilege, /proc is used; 0: unknown.
  std::atomic<int> by_descriptor_{0};
};

}  // namespace parvolind::linux_unnamed
