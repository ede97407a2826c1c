#pragma once

#include <string>

#include "platform/file_system.h"

namespace parvolind {

/// Whether one of two job roots lies within the other (or both are the same folder), as the
/// file system will see them once they are created: links resolved, "." and ".." taken out,
/// and a folder reachable under two real paths (a bind mount) recognised by its identity.
bool RootsOverlap(FileSystem& fs, const std::string& root1, const std::string& root2);

}  // namespace parvolind
