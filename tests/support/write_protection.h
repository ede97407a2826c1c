#pragma once

#include <string>
#include <vector>

namespace parvolind::testing {

/// Makes files and folders unchangeable for as long as it lives, through the
/// file system's immutable flag, which refuses writing even to root (the tests
/// run as root, who ignores permission bits). Setting the flag needs the right
/// to do so and a file system that has it; Active() tells whether it worked.
class WriteProtection {
 public:
  explicit WriteProtection(const std::vector<std::string>& paths);
  /// Lifts the flag again, so that the temporary folder can be removed.
  ~WriteProtection();
  WriteProtection(const WriteProtection&) = delete;
  WriteProtection& operator=(const WriteProtection&) = delete;

  /// Whether every path is protected.
  bool Active() const { return active_; }

 private:
  std::vector<std::string> protected_;
  bool active_ = false;
};

}  // namespace parvolind::testing
