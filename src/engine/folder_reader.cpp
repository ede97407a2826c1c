#include "engine/folder_reader.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "platform/path_rules.h"

namespace parvolind {

// One walk: its rules, its root and the folders of it that wait to be read ahead, the next
// first.
struct FolderWalk {
  std::string path;
  FolderRules rules;
  Folder root;
  std::deque<Folder*> waiting;
  int in_flight = 0;   // folders of it being read by helpers now
  bool taken = false;  // the walk itself has begun
  bool finished = false;
};

namespace {

// Entries read between two calls of `between` on the walk's own thread.
constexpr size_t kEntriesBetweenEvents = 256;

}  // namespace

FileStatus FolderEntry::Status() const {
  FileStatus status;
  status.exists = exists;
  status.is_regular = is_regular;
  status.is_directory = is_directory;
  status.is_link = link;
  status.size = size;
  status.mtime_ns = mtime_ns;
  return status;
}

FolderReader::FolderReader(FileSystem& fs, size_t threads) : fs_(fs) {
  try {
    while (helpers_.size() + 1 < threads) helpers_.emplace_back([this] { Help(); });
  } catch (const std::system_error&) {
    // No more threads to be had: those running, and the walk's own, do the work.
  }
}

FolderReader::~FolderReader() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  work_ready_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

void FolderReader::Start(const std::string& path, FolderRules rules) {
  if (helpers_.empty()) return;  // nothing reads ahead: the walk reads as it goes
  auto walk = std::make_unique<FolderWalk>();
  walk->path = path;
  walk->rules = std::move(rules);
  walk->root.path = path;
  walk->root.walk_ = walk.get();
  const std::lock_guard<std::mutex> lock(mutex_);
  walk->waiting.push_back(&walk->root);
  walks_.push_back(std::move(walk));
  work_ready_.notify_one();
}

Folder& FolderReader::Take(const std::string& path, FolderRules rules) {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (const std::unique_ptr<FolderWalk>& walk : walks_) {
    if (!walk->taken && walk->path == path && walk->rules.sub_dirs == rules.sub_dirs &&
        walk->rules.key == rules.key && walk->rules.not_entered == rules.not_entered) {
      walk->taken = true;
      return walk->root;
    }
  }
  auto walk = std::make_unique<FolderWalk>();
  walk->path = path;
  walk->rules = std::move(rules);
  walk->root.path = path;
  walk->root.walk_ = walk.get();
  walk->taken = true;
  walks_.push_back(std::move(walk));
  return walks_.back()->root;
}

void FolderReader::Queue(Folder& folder) {
  // The subfolders come next, the first of them first: the walk takes them in this order.
  FolderWalk& walk = *folder.walk_;
  for (auto child = folder.subfolders.rbegin(); child != folder.subfolders.rend(); ++child) {
    walk.waiting.push_front(child->get());
  }
}

void FolderReader::Await(Folder& folder, const std::function<void()>& between, bool enter) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (folder.state_ == Folder::State::kReading) {
    // A helper is at it: it is done soon, as soon as the walk would have been itself.
    lock.unlock();
    if (between) between();
    lock.lock();
    folder_read_.wait_for(lock, std::chrono::milliseconds(10),
                          [&] { return folder.state_ != Folder::State::kReading; });
  }
  const bool again = folder.state_ == Folder::State::kRead && enter && !folder.entries_read;
  if (folder.state_ == Folder::State::kRead && !again) return;
  folder.state_ = Folder::State::kReading;
  lock.unlock();
  Read(folder, enter, between ? &between : nullptr);
  lock.lock();
  folder.state_ = Folder::State::kRead;
  if (!helpers_.empty()) {
    Queue(folder);
    work_ready_.notify_all();
  }
}

void FolderReader::Abandon(Folder& folder) {
  const std::lock_guard<std::mutex> lock(mutex_);
  folder.abandoned_ = true;
}

void FolderReader::Finish(Folder& root) {
  std::unique_lock<std::mutex> lock(mutex_);
  FolderWalk* walk = root.walk_;
  walk->finished = true;
  walk->waiting.clear();
  folder_read_.wait(lock, [&] { return walk->in_flight == 0; });
  std::erase_if(walks_, [&](const std::unique_ptr<FolderWalk>& own) { return own.get() == walk; });
}

Folder* FolderReader::NextWork() {
  // Walks that have not begun come first, in the order the walk will take their folders:
  // reading them is pure gain. In a walk under way the walk reads the next folder itself, so
  // helpers take those it reaches last, and do not keep it waiting for the one it needs next.
  for (const bool taken : {false, true}) {
    for (const std::unique_ptr<FolderWalk>& walk : walks_) {
      if (walk->taken != taken || walk->finished) continue;
      while (!walk->waiting.empty()) {
        Folder* folder = taken ? walk->waiting.back() : walk->waiting.front();
        if (taken) {
          walk->waiting.pop_back();
        } else {
          walk->waiting.pop_front();
        }
        if (folder->state_ != Folder::State::kWaiting) continue;
        bool abandoned = false;
        for (const Folder* above = folder; above != nullptr; above = above->parent_) {
          abandoned = abandoned || above->abandoned_;
        }
        if (abandoned) continue;
        folder->state_ = Folder::State::kReading;
        ++walk->in_flight;
        return folder;
      }
    }
  }
  return nullptr;
}

void FolderReader::Help() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    Folder* folder = nullptr;
    work_ready_.wait(lock, [&] { return stopping_ || (folder = NextWork()) != nullptr; });
    if (stopping_ && folder == nullptr) return;
    lock.unlock();
    Read(*folder, false, nullptr);
    lock.lock();
    folder->state_ = Folder::State::kRead;
    --folder->walk_->in_flight;
    if (!folder->walk_->finished) Queue(*folder);
    folder_read_.notify_all();
  }
}

void FolderReader::Read(Folder& folder, bool enter, const std::function<void()>* between) {
  const FolderRules& rules = folder.walk_->rules;
  folder.entries.clear();
  folder.names.clear();
  folder.subfolders.clear();
  folder.subfolders_via_link.clear();
  folder.read_error = 0;
  folder.entries_read = false;
  int error = 0;
  std::unique_ptr<DirectoryStream> stream = fs_.OpenDirectory(folder.path, &error);
  folder.opened = stream != nullptr;
  folder.open_error = error;
  if (!stream) return;
  folder.self = stream->Status();
  if (folder.self.exists && !enter) {
    const std::pair<uint64_t, uint64_t> identity{folder.self.device, folder.self.inode};
    for (const Folder* above = folder.parent_; above != nullptr; above = above->parent_) {
      if (above->self.exists && above->self.device == identity.first &&
          above->self.inode == identity.second) {
        return;
      }
    }
    if (std::find(rules.not_entered.begin(), rules.not_entered.end(), identity) !=
        rules.not_entered.end()) {
      return;
    }
  }
  folder.entries_read = true;
  std::string_view name;
  EntryType type = EntryType::kUnknown;
  size_t count = 0;
  while (stream->Next(name, type)) {
    if (between != nullptr && ++count % kEntriesBetweenEvents == 0) (*between)();
    // Each entry is looked at from the open folder: the folder's path is not walked again.
    FileStatus status;
    bool have_status = false;
    bool link = false;
    if (type == EntryType::kUnknown) {
      status = stream->EntryStatus(false);
      have_status = !status.is_link;
      if (status.is_link) type = EntryType::kLink;
    }
    if (type == EntryType::kLink || type == EntryType::kUnknown) {
      // Links are followed; a link that leads nowhere is listed like a file.
      link = type == EntryType::kLink;
      if (link) status = stream->EntryStatus(true);
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
      if (rules.sub_dirs && name.front() != '.') {
        auto subfolder = std::make_unique<Folder>();
        subfolder->path.reserve(folder.path.size() + name.size() + 1);
        subfolder->path.append(folder.path).append(name).push_back(kPathSeparator);
        subfolder->parent_ = &folder;
        subfolder->walk_ = folder.walk_;
        folder.subfolders.push_back(std::move(subfolder));
        folder.subfolders_via_link.push_back(link);
      }
      continue;
    }
    // Pipes, sockets and devices are no files to copy: reading them could block or never end.
    if (type == EntryType::kOther) continue;
    if (!have_status && rules.wants_status && rules.wants_status(name)) {
      status = stream->EntryStatus(true);
      have_status = true;
    }
    FolderEntry entry;
    entry.name_offset = static_cast<uint32_t>(folder.names.size());
    entry.name_size = static_cast<uint16_t>(name.size());
    folder.names.append(name);
    entry.link = link;
    entry.status_read = have_status;
    entry.exists = status.exists;
    entry.is_regular = status.is_regular;
    entry.is_directory = status.is_directory;
    entry.size = status.size;
    entry.mtime_ns = status.mtime_ns;
    folder.entries.push_back(entry);
  }
  folder.read_error = stream->Error();
}

}  // namespace parvolind
