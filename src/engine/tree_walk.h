#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/progress_sink.h"
#include "platform/file_system.h"

namespace parvolind {

/// What WalkTree() calls for each entry: its folder (ending in '/'), its name and its type.
/// False stops the walk.
using TreeVisitor = std::function<bool(const std::string&, std::string_view, EntryType)>;

/// Walks the folders below `root` (into subfolders when `sub_dirs`, never into hidden folders or
/// through links), calling `visit` for each entry and letting `progress` process events after
/// each folder. Returns false when `visit` stopped the walk.
bool WalkTree(FileSystem& fs, ProgressSink& progress, const std::string& root, bool sub_dirs,
              const TreeVisitor& visit);

}  // namespace parvolind
