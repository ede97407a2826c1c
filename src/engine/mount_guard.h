#pragma once

#include <string>

#include "engine/log_writer.h"
#include "platform/file_system.h"

namespace parvolind {

/// The mount point `root` lies on (or will, once created), ending in '/'. Refuses the run (see
/// Refusal()) when the root's drive is plainly not there: when not even the path's root exists (a
/// drive letter or a share not connected), when the root would be created in the
/// mount folders (/media/, /run/media/, /mnt/) other than on a drive mounted there, or when it
/// now lies on a file system further up than `remembered_mount`, the mount point kept from the
/// last completed run.
std::string CheckAvailable(FileSystem& fs, LogWriter& log, const std::string& root,
                           const std::string& remembered_mount);

}  // namespace parvolind
