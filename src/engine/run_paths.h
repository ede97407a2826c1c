#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace parvolind {

/// `directory` ending in the path separator.
std::string WithSeparator(std::string directory);

/// The folder part of a path, ending in '/': "/a/b/" for "/a/b/c" and for "/a/b/c/"; empty for a
/// path without a separator.
std::string ParentFolder(const std::string& path);

/// Whether `folder` is the root of its file system or drive ("/", "C:\\").
bool IsRoot(const std::string& folder);

/// Whether `path` begins with `prefix`, names compared as the file system compares them.
bool StartsWithPath(std::string_view path, std::string_view prefix);

/// `relative` (folder names, each ending in the separator) below `folder`, with "." and ".." taken
/// out as creating the folders one by one would take them.
std::string Joined(std::string folder, std::string_view relative);

/// Whether a look that found nothing may still have missed something: it failed other than by
/// the path's absence (a read error, a name too long).
bool MayExist(const FileStatus& status);

/// The folder with every link resolved, ending in '/'; the folder itself when that fails.
std::string RealFolder(FileSystem& fs, const std::string& folder);

}  // namespace parvolind
