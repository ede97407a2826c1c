#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_list.h"
#include "platform/path_rules.h"

namespace parvolind {

/// Whether two file names (or relative paths) denote the same file on this platform.
bool SameFileName(std::string_view a, std::string_view b, bool ignore_case = kFileNamesIgnoreCase);

/// A hash index over a list of full paths, keyed by each path's part below a common
/// root (the first `prefix_length` characters are left out). A lookup gives the
/// first entry in list order with an equal key that has not been removed, exactly
/// what a linear search from the front would find, in constant time. Entries are
/// removed by marking them, so the list itself and its order stay as they are.
class PathIndex {
 public:
  /// Result of Find() when no entry matches.
  static constexpr size_t kNotFound = static_cast<size_t>(-1);

  /// Indexes every entry of `paths`; the list must outlive the index and must not change.
  PathIndex(const FileList& paths, size_t prefix_length, bool ignore_case = kFileNamesIgnoreCase);

  /// The position of the first entry not removed whose key equals `key`, or kNotFound.
  size_t Find(std::string_view key) const;
  /// Marks the entry at `position` as removed.
  void Remove(size_t position);
  /// Whether the entry at `position` has been removed.
  bool IsRemoved(size_t position) const { return removed_[position]; }
  /// The list this indexes.
  const FileList& Paths() const { return paths_; }
  /// How many entries are not removed.
  size_t RemainingCount() const { return remaining_; }

 private:
  // A key in two parts (the folder's below the root, and the name), hashed and compared as one.
  struct Key {
    std::string_view head;
    std::string_view tail;
  };
  uint64_t Hash(Key key) const;
  Key KeyOf(size_t position) const;
  bool Matches(Key stored, std::string_view key) const;

  const FileList& paths_;
  size_t prefix_length_;
  bool ignore_case_;
  size_t mask_ = 0;
  // Open addressing with linear probing: each slot holds a list position + 1 (0 is
  // empty) and the upper bits of its hash, so most mismatches cost no string compare.
  // Entries are inserted in list order and never moved, so among equal keys the probe
  // meets the earliest entry first.
  std::vector<uint32_t> slots_;
  std::vector<uint32_t> tags_;
  std::vector<bool> removed_;
  size_t remaining_ = 0;
};

}  // namespace parvolind
