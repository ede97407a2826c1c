#include "engine/file_collector.h"

#include "engine/fit_path.h"
#include "store/date_time.h"

namespace parvolind {
namespace {

constexpr std::string_view kReadingSuffix = " wird eingelesen...";
constexpr double kMinutesPerDay = 1440.0;

char LowerAsciiLetter(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

struct FileCollector::Walk {
  std::string haystack;
  FileList& list;
  bool sub_dirs;
  int32_t filter_type;
  int32_t days;
};

FileCollector::FileCollector(FileSystem& fs, RunHost& host, const Clock& clock,
                             FileTransfer& transfer)
    : fs_(fs), host_(host), clock_(clock), transfer_(transfer) {}

std::string FileCollector::FilterHaystack(std::string_view filter) {
  std::string haystack;
  haystack.reserve(filter.size() + 1);
  for (char c : filter) haystack.push_back(LowerAsciiLetter(c));
  haystack.push_back(';');
  return haystack;
}

bool FileCollector::PassesTypeFilter(std::string_view name, std::string_view filter_haystack,
                                     int32_t filter_type) {
  if (filter_type == 0) return true;
  if (filter_type != 1 && filter_type != 2) return false;
  const size_t dot = name.rfind('.');
  const bool has_extension = dot != std::string_view::npos;
  const bool filter_empty = filter_haystack.size() <= 1;
  if (!has_extension) return filter_type == 2;
  std::string key;
  key.reserve(name.size() - dot + 1);
  for (char c : name.substr(dot)) key.push_back(LowerAsciiLetter(c));
  key.push_back(';');
  const bool listed = filter_haystack.find(key) != std::string_view::npos;
  if (filter_type == 1) return listed && !filter_empty;
  return !listed && !filter_empty;
}

void FileCollector::GetSyncFiles(const std::string& directory, const std::string& filter,
                                 FileList& list, bool sub_dirs, int32_t filter_type, int32_t days) {
  Walk walk{FilterHaystack(filter), list, sub_dirs, filter_type, days};
  if (!directory.empty() && directory.back() != '/') {
    WalkDirectory(walk, directory + '/');
  } else {
    WalkDirectory(walk, directory);
  }
}

void FileCollector::Reset() {
  walked_.clear();
  stale_temporary_files_.clear();
}

int FileCollector::RemoveStaleTemporaryFiles() {
  int removed = 0;
  for (const std::string& path : stale_temporary_files_) {
    if (transfer_.RemoveStaleTemporaryFile(path)) ++removed;
  }
  stale_temporary_files_.clear();
  return removed;
}

bool FileCollector::PassesAgeFilter(const std::string& path, const FileStatus* known_status,
                                    int32_t days) {
  if (days <= 0) return true;
  const DateTime modified = transfer_.ModifyDateOf(known_status ? *known_status : fs_.Stat(path));
  if (modified == -1.0) return false;
  return static_cast<double>(days) >= EncodeDateTime(clock_.Now()) - modified;
}

void FileCollector::WalkDirectory(Walk& walk, const std::string& directory) {
  const std::string shown = FitPathToWidth(
      directory, host_.LabelWidth(ProgressLabel::kDir1) - 100,
      [this](std::string_view text) { return host_.TextWidth(ProgressLabel::kDir1, text); });
  host_.SetLabel(ProgressLabel::kAction, shown + std::string(kReadingSuffix));
  host_.ProcessEvents();

  std::unique_ptr<DirectoryStream> stream = fs_.OpenDirectory(directory);
  if (!stream) return;
  // Each real directory once: a link back up the tree (or into the other root) adds nothing.
  const FileStatus self = stream->Status();
  if (self.exists && !walked_.emplace(self.device, self.inode).second) return;

  std::vector<std::string> subdirectories;
  std::string path;
  std::string_view name;
  EntryType type = EntryType::kUnknown;
  while (stream->Next(name, type)) {
    path.assign(directory);
    path.append(name);
    FileStatus status;
    bool have_status = false;
    if (type == EntryType::kLink || type == EntryType::kUnknown) {
      // Links are followed; a link that leads nowhere is listed like a file.
      status = fs_.Stat(path);
      have_status = true;
      if (status.is_directory) {
        type = EntryType::kDirectory;
      } else if (status.is_regular || !status.exists) {
        type = EntryType::kRegular;
      } else {
        type = EntryType::kOther;
      }
    }
    if (type == EntryType::kDirectory) {
      if (walk.sub_dirs && name.front() != '.') subdirectories.emplace_back(name);
      continue;
    }
    // Pipes, sockets and devices are no files to copy: reading them could block or never end.
    if (type == EntryType::kOther) continue;
    if (FileTransfer::IsTemporaryName(name)) {
      if (!have_status) status = fs_.Stat(path);
      const DateTime written = transfer_.ModifyDateOf(status);
      if (status.is_regular && written != -1.0 &&
          EncodeDateTime(clock_.Now()) - written > kStaleTemporaryAgeMinutes / kMinutesPerDay) {
        stale_temporary_files_.push_back(path);
      }
      continue;
    }

    if (PassesTypeFilter(name, walk.haystack, walk.filter_type) &&
        PassesAgeFilter(path, have_status ? &status : nullptr, walk.days)) {
      walk.list.push_back(path);
    }
    host_.ProcessEvents();
    if (host_.CancelRequested()) return;
  }
  stream.reset();  // one open directory per level at most while descending

  for (const std::string& subdirectory : subdirectories) {
    WalkDirectory(walk, directory + subdirectory + '/');
    host_.ProcessEvents();
  }
}

}  // namespace parvolind
