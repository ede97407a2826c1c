#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"

// Reading directories, for the Linux file system.
namespace parvolind::linux_fs {

/// See FileSystem::OpenDirectory().
std::unique_ptr<DirectoryStream> OpenDirectoryStream(const std::string& path, int* error);

}  // namespace parvolind::linux_fs
