#pragma once

#include <string>

#include "platform/file_system.h"

// The desktop's trash and the mount table, for the Linux file system.
namespace parvolind::linux_trash {

/// See FileSystem::MountPointOf().
std::string MountPointOf(const std::string& path);
/// See FileSystem::PutInTrash().
int PutInTrash(const std::string& path, bool keep_in_place, TrashEntry* entry);
/// See FileSystem::TakeOutOfTrash().
int TakeOutOfTrash(const TrashEntry& entry);

}  // namespace parvolind::linux_trash
