#include "engine/fit_path.h"

#include "platform/path_rules.h"

namespace parvolind {
namespace {

constexpr char kSeparator = kPathSeparator;
constexpr char kEllipsisText[] = {'.', '.', '.', kSeparator, '\0'};
constexpr std::string_view kEllipsisDirectory = kEllipsisText;

}  // namespace

std::string FitPathToWidth(std::string_view path, int width,
                           const std::function<int(std::string_view)>& text_width) {
  const size_t last_separator = path.rfind(kSeparator);
  std::string directory;
  std::string_view name = path;
  if (last_separator != std::string_view::npos) {
    directory.assign(path.substr(0, last_separator + 1));
    name = path.substr(last_separator + 1);
  }
  std::string drive;
  if (directory.size() >= 2 && directory[1] == ':') {
    drive = directory.substr(0, 2);
    directory.erase(0, 2);
  }

  std::string text;
  auto compose = [&] {
    text.assign(drive);
    text.append(directory);
    text.append(name);
    return text_width(text) > width;
  };
  const std::string root_ellipsis = std::string(1, kSeparator) + std::string(kEllipsisDirectory);
  while (compose() && (!drive.empty() || !directory.empty())) {
    if (directory == root_ellipsis) {
      drive.clear();
      directory.assign(kEllipsisDirectory);
    } else if (directory.empty()) {
      drive.clear();
    } else {
      // Replace the first directory name (and an ellipsis before it) by one ellipsis, keeping a
      // leading separator; an ellipsis alone goes entirely.
      const bool rooted = directory.front() == kSeparator;
      std::string_view rest = std::string_view(directory).substr(rooted ? 1 : 0);
      if (rest.substr(0, kEllipsisDirectory.size()) == kEllipsisDirectory) {
        rest.remove_prefix(kEllipsisDirectory.size());
      }
      std::string shortened;
      if (!rest.empty()) {
        const size_t next = rest.find(kSeparator);
        rest.remove_prefix(next == std::string_view::npos ? rest.size() : next + 1);
        if (rooted) shortened.push_back(kSeparator);
        shortened.append(kEllipsisDirectory);
        shortened.append(rest);
      }
      directory = std::move(shortened);
    }
  }
  return text;
}

}  // namespace parvolind
