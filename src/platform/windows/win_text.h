#pragma once

// Helpers shared by the Windows files of the platform layer: the program keeps UTF-8 strings,
// the system calls take UTF-16.

#include <string>
#include <string_view>

namespace parvolind::windows {

/// UTF-16 of a UTF-8 text; invalid sequences become U+FFFD.
std::wstring Widen(std::string_view text);

/// UTF-8 of a UTF-16 text; unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view text);

/// The path in the form that lifts the 260-character limit ("\\?\C:\...", "\\?\UNC\server\..."):
/// '/' turned into '\', made absolute against the current folder, "." and ".." resolved.
std::wstring LongPath(std::string_view path);

/// A long path with its prefix taken off again, as the program shows paths.
std::string ShortForm(std::wstring_view long_path);

/// The errno-like code (ENOENT, EACCES, ENOSPC, ...) of a Windows error code, as the platform
/// interfaces report failures.
int ErrnoOf(unsigned long windows_error);

/// The errno-like code of a failed call on `path`, told as Linux tells it where Windows says less:
/// ENOTDIR where a folder on the way is a file, ENAMETOOLONG where a name on the way is longer
/// than a file system allows (255 characters); else as ErrnoOf().
int PathErrnoOf(unsigned long windows_error, std::string_view path);

}  // namespace parvolind::windows
