#include "engine/file_list.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "platform/path_rules.h"

namespace parvolind {

FileList::FileList(std::initializer_list<std::string_view> paths) {
  for (const std::string_view path : paths) Add(path);
}

uint32_t FileList::AddFolder(std::string_view path, uint64_t device, uint64_t inode,
                             bool statuses_hold) {
  folders_.push_back(Folder{std::string(path), device, inode, statuses_hold});
  return static_cast<uint32_t>(folders_.size() - 1);
}

FileList::Entry& FileList::Append() {
  if ((count_ & (kBlockSize - 1)) == 0 && (count_ >> kBlockBits) == blocks_.size()) {
    blocks_.push_back(std::make_unique<Entry[]>(kBlockSize));
  }
  Entry& entry = blocks_[count_ >> kBlockBits][count_ & (kBlockSize - 1)];
  ++count_;
  return entry;
}

const char* FileList::StoreName(std::string_view name) {
  if (name.empty()) return nullptr;
  if (name.size() > kNameBlockSize - name_used_) {
    const size_t size = std::max(name.size(), kNameBlockSize);
    name_blocks_.push_back(std::make_unique<char[]>(size));
    name_used_ = 0;
  }
  char* stored = name_blocks_.back().get() + name_used_;
  std::memcpy(stored, name.data(), name.size());
  name_used_ += name.size();
  return stored;
}

void FileList::AddFile(std::string_view name, const FileStatus* status) {
  Entry& entry = Append();
  entry.name = StoreName(name);
  entry.name_size = static_cast<uint16_t>(name.size());
  entry.folder = static_cast<uint32_t>(folders_.size() - 1);
  if (status != nullptr && status->exists && status->is_regular) {
    entry.status_known = true;
    entry.size = status->size;
    entry.mtime_ns = status->mtime_ns;
  }
}

void FileList::Add(std::string_view path) {
  const size_t slash = path.rfind(kPathSeparator);
  const size_t split = slash == std::string_view::npos ? 0 : slash + 1;
  const std::string_view folder = path.substr(0, split);
  if (folders_.empty() || folders_.back().path != folder) AddFolder(folder, 0, 0, false);
  AddFile(path.substr(split), nullptr);
}

std::string FileList::Path(size_t position) const {
  const Entry& entry = At(position);
  const std::string& folder = folders_[entry.folder].path;
  std::string path;
  path.reserve(folder.size() + entry.name_size);
  path.append(folder).append(entry.name, entry.name_size);
  return path;
}

bool FileList::ListedStatus(size_t position, FileStatus& status) const {
  const Entry& entry = At(position);
  if (!entry.status_known || !folders_[entry.folder].statuses_hold) return false;
  status = FileStatus{};
  status.exists = true;
  status.is_regular = true;
  status.size = entry.size;
  status.mtime_ns = entry.mtime_ns;
  return true;
}

void FileList::RemoveBelow(std::string_view folder) {
  FileList kept;
  uint32_t last_folder = kNoFolder;
  for (size_t position = 0; position < count_; ++position) {
    const Entry& entry = At(position);
    const Folder& own = folders_[entry.folder];
    if (own.path.compare(0, folder.size(), folder) == 0) continue;
    if (entry.folder != last_folder) {
      kept.AddFolder(own.path, own.device, own.inode, own.statuses_hold);
      last_folder = entry.folder;
    }
    Entry& copy = kept.Append();
    copy = entry;
    copy.name = kept.StoreName(NameOf(position));
    copy.folder = static_cast<uint32_t>(kept.folders_.size() - 1);
  }
  *this = std::move(kept);
}

void FileList::DistrustFoldersSeenTwice(FileList* a, FileList* b) {
  std::map<std::pair<uint64_t, uint64_t>, int> seen;
  for (FileList* list : {a, b}) {
    if (list == nullptr) continue;
    for (const Folder& folder : list->folders_) {
      if (folder.device != 0 || folder.inode != 0) ++seen[{folder.device, folder.inode}];
    }
  }
  for (FileList* list : {a, b}) {
    if (list == nullptr) continue;
    for (Folder& folder : list->folders_) {
      if (folder.device == 0 && folder.inode == 0) continue;
      if (seen[{folder.device, folder.inode}] > 1) folder.statuses_hold = false;
    }
  }
}

std::vector<std::string> FileList::Paths() const {
  std::vector<std::string> paths;
  paths.reserve(count_);
  for (size_t position = 0; position < count_; ++position) paths.push_back(Path(position));
  return paths;
}

}  // namespace parvolind
