#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace parvolind {

#ifdef _WIN32
/// The separator between the folders of a path, and the one a folder path ends in.
inline constexpr char kPathSeparator = '\\';
/// Whether file names compare without regard to case: A.TXT and a.txt are one file on Windows.
inline constexpr bool kFileNamesIgnoreCase = true;
/// The bits of FileStatus::mode that a new copy takes from its source: the read-only, hidden,
/// system and archive attributes.
inline constexpr uint32_t kCopiedModeBits = 0x27;
/// The bit of FileStatus::mode that marks a file as changed since it was last archived.
inline constexpr uint32_t kArchiveModeBit = 0x20;
#else
/// The separator between the folders of a path, and the one a folder path ends in.
inline constexpr char kPathSeparator = '/';
/// Whether file names compare without regard to case. Linux file systems tell A.TXT and a.txt
/// apart, so the run does too.
inline constexpr bool kFileNamesIgnoreCase = false;
/// The bits of FileStatus::mode that a new copy takes from its source: the permission bits.
inline constexpr uint32_t kCopiedModeBits = 0777;
/// No bit of the mode marks a file for archiving here: every regular file counts as marked.
inline constexpr uint32_t kArchiveModeBit = 0;
#endif

/// Whether `c` separates folders in a path given by the user (on Windows '/' does too).
constexpr bool IsPathSeparator(char c) {
  return c == kPathSeparator || (kPathSeparator == '\\' && c == '/');
}

/// The length of a server and share name ("server\share\") at the start of `path`, 0 when either
/// is missing.
constexpr size_t ShareLength(std::string_view path) {
  size_t position = 0;
  for (int part = 0; part < 2; ++part) {
    const size_t begin = position;
    while (position < path.size() && !IsPathSeparator(path[position])) ++position;
    if (position == begin) return 0;
    if (position < path.size()) ++position;
  }
  return position;
}

/// The length of the root that `path` starts with, 0 for a relative path: "/" on Linux; on
/// Windows a drive ("C:\"), a share ("\\server\share\") or a long-path prefix before either
/// ("\\?\C:\", "\\?\UNC\server\share\"). A drive without separator ("C:") is relative to
/// that drive's current folder and has no root.
constexpr size_t RootLength(std::string_view path) {
  if (kPathSeparator == '/') return !path.empty() && path.front() == '/' ? 1 : 0;
  const auto separator_at = [&path](size_t i) {
    return i < path.size() && IsPathSeparator(path[i]);
  };
  size_t start = 0;
  if (separator_at(0) && separator_at(1) && path.size() > 2 && (path[2] == '?' || path[2] == '.') &&
      separator_at(3)) {
    start = 4;
    const std::string_view rest = path.substr(4);
    if (rest.size() >= 4 && (rest[0] | 0x20) == 'u' && (rest[1] | 0x20) == 'n' &&
        (rest[2] | 0x20) == 'c' && IsPathSeparator(rest[3])) {
      const size_t share = ShareLength(path.substr(8));
      return share == 0 ? 0 : 8 + share;
    }
  } else if (separator_at(0) && separator_at(1)) {
    const size_t share = ShareLength(path.substr(2));
    return share == 0 ? 0 : 2 + share;
  }
  const char letter = path.size() > start ? static_cast<char>(path[start] | 0x20) : '\0';
  if (letter >= 'a' && letter <= 'z' && path.size() > start + 1 && path[start + 1] == ':' &&
      separator_at(start + 2)) {
    return start + 3;
  }
  return 0;
}

/// Whether `path` is absolute, so that it means the same folder whatever the current folder is.
constexpr bool IsAbsolutePath(std::string_view path) { return RootLength(path) > 0; }

}  // namespace parvolind
