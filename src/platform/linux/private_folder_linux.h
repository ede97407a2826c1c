#pragma once

#include <string>

namespace parvolind {

/// Creates `path` with every missing parent. The folders it creates are the user's alone
/// (rwx for the owner, nothing for anyone else) whatever the umask; folders that exist already
/// are left as they are. True when `path` is a folder afterwards.
bool CreatePrivateFolderPath(const std::string& path);

/// Creates an empty file at `path` that only the owner may read and write, unless something
/// is there already; the store and the log are then born private whatever the umask.
void CreatePrivateFile(const std::string& path);

}  // namespace parvolind
