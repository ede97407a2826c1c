#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace parvolind {

/// Shortens a path so that it fits a label `width` pixels wide, where `text_width` measures a
/// text in the label's font. Leading directory names give way to ".../" one by one, then the
/// whole directory part goes; the file name itself is never cut. A fitting path comes back as
/// it is.
std::string FitPathToWidth(std::string_view path, int width,
                           const std::function<int(std::string_view)>& text_width);

}  // namespace parvolind
