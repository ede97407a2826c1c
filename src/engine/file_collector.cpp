#include "engine/file_collector.h"

#include <algorithm>
#include <cerrno>

#include "engine/fit_path.h"
#include "platform/path_rules.h"

namespace parvolind {
namespace {

constexpr std::string_view kReadingSuffix = " wird eingelesen...";
constexpr std::string_view kLeadsIntoOtherRoot =
    " führt in das andere Verzeichnis des Auftrags und wurde übergangen.";
constexpr std::string_view kCouldNotRead = " konnte nicht gelesen werden.";
constexpr std::string_view kCouldNotReadAll = " konnte nicht vollständig gelesen werden.";
constexpr int64_t kNanosPerMinute = 60LL * 1000000000;
constexpr int64_t kMillisecondsPerDay = 86400LL * 1000;

int64_t FloorMilliseconds(int64_t nanoseconds) {
  return nanoseconds / 1000000 - (nanoseconds % 1000000 < 0 ? 1 : 0);
}

// "/a/b" for "/a/b/c", "/" for "/a"; empty above the root ("/", or "C:\" on Windows).
std::string ParentOf(const std::string& folder) {
  const size_t root = RootLength(folder);
  if (folder.size() <= root) return {};
  const size_t slash = folder.rfind(kPathSeparator);
  if (slash == std::string::npos) return {};
  return slash < root ? folder.substr(0, root) : folder.substr(0, slash);
}

std::string WithSeparator(const std::string& directory) {
  if (!directory.empty() && directory.back() != kPathSeparator) return directory + kPathSeparator;
  return directory;
}

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
  // Which side of the run this walk is for, from 1 (see WalkOf()); 0 for a walk without another
  // side.
  int number;
  // The directories from the root down to the one in hand: a link to one of them is a loop.
  std::vector<Identity> ancestors;
  // The other root first, then every directory above it.
  std::vector<Identity> other_and_above;
  // How many directories on the path from the root down to the one in hand were reached through
  // a link: what the walk sees below such a one may also be seen, and changed, by another path.
  int links_above = 0;
};

FileCollector::FileCollector(FileSystem& fs, ProgressSink& progress, const RunControl& control,
                             const Clock& clock, FileTransfer& transfer, LogWriter& log)
    : fs_(fs),
      progress_(progress),
      control_(control),
      clock_(clock),
      transfer_(transfer),
      log_(log),
      reader_(fs, fs.WorkThreads()) {}

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

FolderRules FileCollector::RulesFor(const std::string& filter, bool sub_dirs, int32_t filter_type,
                                    const std::string& other_root) {
  FolderRules rules;
  rules.sub_dirs = sub_dirs;
  std::string haystack = FilterHaystack(filter);
  rules.key = std::to_string(filter_type) + (listed_statuses_ ? "+:" : "-:") + haystack;
  // Temporary copy files are looked at, and, where the statuses are kept, files that may be
  // listed.
  rules.wants_status = [haystack = std::move(haystack), filter_type,
                        all = listed_statuses_](std::string_view name) {
    return FileTransfer::IsTemporaryName(name) ||
           (all && PassesTypeFilter(name, haystack, filter_type));
  };
  if (!other_root.empty()) {
    for (std::string folder = fs_.RealPath(other_root); !folder.empty();
         folder = ParentOf(folder)) {
      const FileStatus status = fs_.Stat(folder);
      if (status.exists) rules.not_entered.emplace_back(status.device, status.inode);
    }
  }
  return rules;
}

void FileCollector::ReadAhead(const std::string& directory, const std::string& filter,
                              bool sub_dirs, int32_t filter_type, const std::string& other_root) {
  reader_.Start(WithSeparator(directory), RulesFor(filter, sub_dirs, filter_type, other_root));
}

void FileCollector::GetSyncFiles(const std::string& directory, const std::string& filter,
                                 FileList& list, bool sub_dirs, int32_t filter_type, int32_t days,
                                 const std::string& other_root) {
  // Walks for the two sides of a run are numbered by their root, so that walking one root again
  // finds no second side in it.
  int number = 0;
  if (!other_root.empty()) {
    const auto known = std::find(walk_roots_.begin(), walk_roots_.end(), directory);
    number = static_cast<int>(known - walk_roots_.begin()) + 1;
    if (known == walk_roots_.end()) walk_roots_.push_back(directory);
  }
  FolderRules rules = RulesFor(filter, sub_dirs, filter_type, other_root);
  Walk walk{FilterHaystack(filter), list, sub_dirs, filter_type, days, number, {}, {}, 0};
  // The other root first, then every directory above it.
  walk.other_and_above = rules.not_entered;
  Folder& root = reader_.Take(WithSeparator(directory), std::move(rules));
  WalkDirectory(walk, root, false);
  reader_.Finish(root);
}

void FileCollector::Reset() {
  reported_links_.clear();
  stale_temporary_files_.clear();
  incomplete_folders_.clear();
  failures_ = 0;
  walked_.clear();
  shared_folders_.clear();
  walk_roots_.clear();
}

int FileCollector::WalkOf(uint64_t device, uint64_t inode) const {
  const auto found = walked_.find(Identity{device, inode});
  return found == walked_.end() ? -1 : found->second.walk;
}

void FileCollector::NoteIncomplete(const std::string& directory, std::string_view why) {
  log_.WriteError(directory + std::string(why));
  incomplete_folders_.push_back(directory);
  ++failures_;
}

int FileCollector::RemoveStaleTemporaryFiles(
    const std::string& root, const std::function<bool(const std::string&)>& may_remove) {
  int removed = 0;
  std::vector<std::string> elsewhere;
  for (std::string& path : stale_temporary_files_) {
    if (path.compare(0, root.size(), root) != 0) {
      elsewhere.push_back(std::move(path));
    } else if (may_remove && !may_remove(path)) {
      continue;  // forgotten, and left where it is
    } else if (transfer_.RemoveStaleTemporaryFile(path)) {
      ++removed;
    }
  }
  stale_temporary_files_ = std::move(elsewhere);
  return removed;
}

bool FileCollector::PassesAgeFilter(const std::string& path, const FileStatus* known_status,
                                    int32_t days) {
  if (days <= 0) return true;
  const FileStatus status = known_status ? *known_status : fs_.Stat(path);
  if (!status.exists || status.is_directory) return false;
  // Elapsed real time: local clock readings taken at two different zone offsets would be an
  // hour off whenever summer or winter time began in between.
  const int64_t age_ms =
      FloorMilliseconds(clock_.UtcNanoseconds()) - FloorMilliseconds(status.mtime_ns);
  return age_ms <= static_cast<int64_t>(days) * kMillisecondsPerDay;
}

bool FileCollector::LeadsIntoOtherRoot(const Walk& walk, const std::string& directory,
                                       const FileStatus& self, bool via_link) {
  if (walk.other_and_above.empty()) return false;
  // The other root itself, or a directory that holds it.
  const Identity identity{self.device, self.inode};
  if (std::find(walk.other_and_above.begin(), walk.other_and_above.end(), identity) !=
      walk.other_and_above.end()) {
    return true;
  }
  // A real subdirectory of a directory outside the other root lies outside too; only where a
  // link was followed can the walk have jumped inside.
  if (!via_link) return false;
  for (std::string folder = fs_.RealPath(directory); !folder.empty(); folder = ParentOf(folder)) {
    const FileStatus status = fs_.Stat(folder);
    if (status.exists && Identity{status.device, status.inode} == walk.other_and_above.front()) {
      return true;
    }
  }
  return false;
}

void FileCollector::WalkDirectory(Walk& walk, Folder& folder, bool via_link) {
  const std::string& directory = folder.path;
  reader_.Await(folder, [this] { progress_.ProcessEvents(); });
  Identity identity{0, 0};
  if (folder.opened) {
    const FileStatus& self = folder.self;
    if (self.exists) {
      identity = {self.device, self.inode};
      // A link to a directory above on this path would lead round in circles. Any other
      // directory is walked each time it is reached, so the tree's shape does not depend on the
      // order in which the directory lists its entries.
      if (std::find(walk.ancestors.begin(), walk.ancestors.end(), identity) !=
          walk.ancestors.end()) {
        reader_.Abandon(folder);
        return;
      }
      // Walking into the other side would copy that side into itself, one level deeper on
      // every run.
      if (LeadsIntoOtherRoot(walk, directory, self, via_link)) {
        reader_.Abandon(folder);
        const std::string entry = directory.substr(0, directory.size() - 1);
        const FileStatus link = fs_.LinkStatus(entry);
        if (reported_links_.emplace(link.device, link.inode).second) {
          log_.WriteError(entry + std::string(kLeadsIntoOtherRoot));
          ++failures_;
        }
        return;
      }
      // The same directory reached by an earlier walk is the other side seen from this one (a
      // bind mount, say): copying it would copy that side onto itself, and the delete pass
      // would remove what the other side holds.
      const auto [reach, first] =
          walk.number == 0 ? std::pair(walked_.end(), true)
                           : walked_.try_emplace(identity, Reach{walk.number, directory});
      if (!first && reach->second.walk != walk.number) {
        reader_.Abandon(folder);
        if (reach->second.walk != 0) {
          shared_folders_.push_back(reach->second.path);
          reach->second.walk = 0;
          const std::string earlier = reach->second.path.substr(0, reach->second.path.size() - 1);
          log_.WriteError(earlier + std::string(kLeadsIntoOtherRoot));
          log_.WriteError(directory.substr(0, directory.size() - 1) +
                          std::string(kLeadsIntoOtherRoot));
          ++failures_;
        }
        return;
      }
    }
  }

  const std::string shown = FitPathToWidth(
      directory, progress_.LabelWidth(ProgressLabel::kDir1) - 100,
      [this](std::string_view text) { return progress_.TextWidth(ProgressLabel::kDir1, text); });
  progress_.SetLabel(ProgressLabel::kAction, shown + std::string(kReadingSuffix));
  progress_.ProcessEvents();

  if (!folder.opened) {
    // A directory that vanished meanwhile is simply gone; one that is there but cannot be
    // read hides a whole subtree, which the user must hear of.
    const int error = folder.open_error;
    if (error != ENOENT && error != ENOTDIR) NoteIncomplete(directory, kCouldNotRead);
    return;
  }
  // Only a folder that the checks above pass over is left unread by the reader; read it all the
  // same should they ever differ.
  if (!folder.entries_read)
    reader_.Await(
        folder, [this] { progress_.ProcessEvents(); }, true);

  if (via_link) ++walk.links_above;
  walk.list.AddFolder(directory, identity.first, identity.second, walk.links_above == 0);
  const bool go_on = ReadDirectory(walk, folder);
  if (go_on) {
    walk.ancestors.push_back(identity);
    for (size_t i = 0; i < folder.subfolders.size(); ++i) {
      WalkDirectory(walk, *folder.subfolders[i], folder.subfolders_via_link[i]);
      progress_.ProcessEvents();
    }
    walk.ancestors.pop_back();
  }
  if (via_link) --walk.links_above;
}

bool FileCollector::ReadDirectory(Walk& walk, Folder& folder) {
  const std::string& directory = folder.path;
  std::string path;
  for (const FolderEntry& entry : folder.entries) {
    const std::string_view name = folder.NameOf(entry);
    path.assign(directory);
    path.append(name);
    const FileStatus status = entry.Status();
    if (FileTransfer::IsTemporaryName(name)) {
      if (status.is_regular &&
          clock_.UtcNanoseconds() - status.mtime_ns > kStaleTemporaryAgeMinutes * kNanosPerMinute) {
        stale_temporary_files_.push_back(path);
      }
      continue;
    }

    // What a link leads to can also be reached, and changed, by another path: its status is
    // looked at again when it is compared.
    if (PassesTypeFilter(name, walk.haystack, walk.filter_type) &&
        PassesAgeFilter(path, entry.status_read ? &status : nullptr, walk.days)) {
      walk.list.AddFile(name, entry.link || !entry.status_read ? nullptr : &status);
    }
    progress_.ProcessEvents();
    if (control_.CancelRequested()) return false;
  }
  // What is listed now is the list's; the folder keeps only what leads on.
  std::vector<FolderEntry>().swap(folder.entries);
  std::string().swap(folder.names);
  // A read that fails part way is no end of the directory: what it did not list may be there.
  if (folder.read_error != 0) NoteIncomplete(directory, kCouldNotReadAll);
  return true;
}

}  // namespace parvolind
