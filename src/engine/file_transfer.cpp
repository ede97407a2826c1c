#include "engine/file_transfer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <utility>

#include "engine/crc32.h"
#include "platform/path_rules.h"

namespace parvolind {
namespace {

constexpr int32_t kDefaultBlockSize = 131071;
constexpr size_t kChecksumBlockSize = 1 << 18;
// A batch of replacements holds one open file each and their unsynced data in the page cache:
// both stay well within what a process and the machine can spare.
constexpr size_t kBatchFiles = 128;
constexpr int64_t kBatchBytes = int64_t{64} << 20;

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind(kPathSeparator);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

FileTransfer::FileTransfer(FileSystem& fs, ProgressSink& progress, const RunControl& control,
                           const RunOptions& options)
    : fs_(fs), progress_(progress), control_(control), options_(options) {}

FileTransfer::~FileTransfer() {
  try {
    FinishPendingReplacements();
  } catch (...) {
    // Reporting a failure went wrong; the files themselves are finished or removed.
  }
}

void FileTransfer::FinishReplacementsInBatches(LateFailure on_failure) {
  batched_ = true;
  on_late_failure_ = std::move(on_failure);
}

void FileTransfer::FinishPendingReplacements() {
  if (pending_.empty()) return;
  std::vector<Replacement> batch;
  batch.swap(pending_);
  pending_bytes_ = 0;
  // Every file's write-back was started when it was complete, and the files are finished side by
  // side: syncs waiting together share the disk's flushes, and the blocks of the files replaced
  // are freed in parallel. Each file replaces its target only once its own data is on disk.
  std::vector<char> finished(batch.size(), 0);
  fs_.ForEachSideBySide(batch.size(), [&](size_t i) {
    Replacement& replacement = batch[i];
    bool done = replacement.file->SyncData();
    done = replacement.file->Close() && done;
    if (done) {
      done = PutInPlace(replacement.temporary_path, replacement.destination, replacement.trash,
                        replacement.times_again, replacement.atime_ns, replacement.mtime_ns);
    }
    if (!done) fs_.RemoveFile(replacement.temporary_path);
    finished[i] = done ? 1 : 0;
  });
  for (size_t i = 0; i < batch.size(); ++i) {
    if (finished[i] == 0 && on_late_failure_) on_late_failure_(batch[i].source);
  }
  progress_.ProcessEvents();
}

bool FileTransfer::PutInPlace(const std::string& temporary_path, const std::string& destination,
                              bool trash, bool times_again, int64_t atime_ns, int64_t mtime_ns) {
  TrashEntry entry;
  // The old version gets its second name in the trash before the new one takes its place, so it
  // is at every moment in place, in the trash, or both.
  if (trash && fs_.PutInTrash(destination, true, &entry) != 0) return false;
  if (fs_.Rename(temporary_path, destination) != 0) {
    if (trash) fs_.TakeOutOfTrash(entry);
    return false;
  }
  if (times_again) fs_.SetTimes(destination, atime_ns, mtime_ns);
  return true;
}

bool FileTransfer::IsTemporaryName(std::string_view name) {
  constexpr size_t kRandomLength = 10;
  constexpr size_t kMaxProcessIdLength = 10;
  if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) return false;
  name.remove_prefix(kTemporaryPrefix.size());
  const size_t dash = name.find('-');
  if (dash == 0 || dash > kMaxProcessIdLength || name.size() != dash + 1 + kRandomLength) {
    return false;
  }
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const auto random_character = [&](char c) { return digit(c) || (c >= 'a' && c <= 'z'); };
  return std::all_of(name.begin(), name.begin() + dash, digit) &&
         std::all_of(name.begin() + dash + 1, name.end(), random_character);
}

bool FileTransfer::SynchronizeFile(const std::string& source, const std::string& target) {
  return Copy(source, target, true);
}

int32_t FileTransfer::BlockSize() const {
  return options_.copy_buffer_size > 0 ? options_.copy_buffer_size : kDefaultBlockSize;
}

bool FileTransfer::Copy(const std::string& source, const std::string& target,
                        bool unnamed_allowed) {
  const int32_t block_size = BlockSize();

  FileStatus before;
  std::unique_ptr<File> input = fs_.OpenForReading(source, nullptr, &before);
  if (!input) return false;

  // A target that is a link to a file is replaced itself: the copy takes the link's place, and
  // what the link led to, wherever that is, stays untouched. A link to a folder is no file to
  // replace.
  const std::string& destination = target;
  FileStatus existing = fs_.LinkStatus(target);
  const bool target_is_link = existing.is_link;
  if (target_is_link) {
    if (fs_.Stat(target).is_directory) return false;
    existing = FileStatus{};  // the copy is a new file: it gets the source's permission bits
  }
  if (existing.exists && !existing.is_regular) return false;

  std::string folder = DirectoryOf(destination);
  if (folder.empty()) folder = std::string(".") + kPathSeparator;
  // A new target is written into a file without a name that gets the target's name only when
  // complete: one directory change instead of two, and a killed run leaves nothing behind. The
  // name must be entirely free for that: a link is replaced the named way.
  const bool name_free = unnamed_allowed && !existing.exists && !target_is_link;
  std::unique_ptr<File> output;
  std::string temporary_path;
  int error = 0;
  // A new file gets the source's permission bits; one without a name has them from the start.
  const uint32_t new_mode = before.mode & kCopiedModeBits;
  if (name_free) {
    output = fs_.CreateUnnamedFile(folder, &error, new_mode);
    if (!output && error == ENOENT && fs_.CreateDirectoryPath(folder)) {
      output = fs_.CreateUnnamedFile(folder, &error, new_mode);
    }
  }
  const bool unnamed = output != nullptr;
  if (!unnamed) {
    output = fs_.CreateTemporaryFile(folder, kTemporaryPrefix, &temporary_path, &error);
    if (!output && error == ENOENT && fs_.CreateDirectoryPath(folder)) {
      output = fs_.CreateTemporaryFile(folder, kTemporaryPrefix, &temporary_path, &error);
    }
  }
  if (!output) return false;
  // Every way out before the file gets its name removes the unfinished copy (an unnamed one
  // vanishes when closed); the target is never touched.
  auto fail = [&] {
    output->Close();
    if (!unnamed) fs_.RemoveFile(temporary_path);
    return false;
  };

  const int64_t size = before.size;
  progress_.SetBarRange(ProgressBar::kActual, 0, size);
  progress_.SetBarValue(ProgressBar::kActual, 0);

  int64_t done = 0;
  while (done < size) {
    const int64_t wanted = std::min<int64_t>(size - done, block_size);
    const int64_t moved = fs_.CopyBlock(*input, *output, wanted, buffer_);
    if (moved < 0) return fail();
    done += moved;
    progress_.SetBarValue(ProgressBar::kActual, done);
    progress_.ProcessEvents();
    // A source that ends early shrank while it was read: what was copied is not the file.
    if (moved < wanted) return fail();
    if (control_.CancelRequested()) return fail();
  }

  // A source written to while it was copied gives a mixture of old and new: not a copy.
  const FileStatus after = input->Status();
  if (!after.exists || after.size != size || after.mtime_ns != before.mtime_ns) return fail();
  input->Close();

  if (before.allocated < size && !output->Resize(size)) return fail();
  if (existing.exists) {
    // A replaced file keeps its owner and permission bits (a read-only one stays read-only).
    const FileStatus created = output->Status();
    if (created.owner != existing.owner || created.group != existing.group) {
      output->SetOwner(existing.owner, existing.group);
    }
    output->SetPermissions(existing.mode);
  } else if (!unnamed) {
    output->SetPermissions(new_mode);
  }
  output->SetTimes(before.atime_ns, before.mtime_ns);
  if (existing.exists && batched_) {
    // The sync is waited for later, together with those of other replacements. Files of one
    // batch are finished in no set order, so a second copy onto the same file waits for the first.
    const auto same = [&](const Replacement& pending) {
      return pending.destination == destination;
    };
    if (std::any_of(pending_.begin(), pending_.end(), same)) FinishPendingReplacements();
    output->StartWriteBack();
    pending_.push_back({std::move(output), std::move(temporary_path), destination, source,
                        options_.trash, times_after_rename_, before.atime_ns, before.mtime_ns});
    pending_bytes_ += size;
    if (pending_.size() >= kBatchFiles || pending_bytes_ >= kBatchBytes) {
      FinishPendingReplacements();
    }
    progress_.ProcessEvents();
    progress_.SetBarValue(ProgressBar::kActual, size);
    return true;
  }
  // A file being replaced must not turn into an empty one after a crash: its new data goes to
  // disk before the name moves over. A new file is not synced; a crash can lose only that copy
  // (the source is intact), and syncing every new file made first copies many times slower.
  if (existing.exists && !output->SyncData()) return fail();
  if (unnamed) {
    const Naming naming = NameUnnamed(*output, destination);
    if (naming == Naming::kRefused) {
      input.reset();
      return Copy(source, target, false);
    }
    if (naming == Naming::kFailed) return false;
  } else {
    if (!output->Close()) return fail();
    if (!PutInPlace(temporary_path, destination, existing.exists && options_.trash,
                    times_after_rename_, before.atime_ns, before.mtime_ns)) {
      return fail();
    }
  }

  progress_.ProcessEvents();
  progress_.SetBarValue(ProgressBar::kActual, size);
  return true;
}

FileTransfer::Naming FileTransfer::NameUnnamed(File& output, const std::string& destination) {
  // Linking never replaces a name. A target that appeared during the copy was not there when
  // this copy was decided on, so it is not overwritten; the copy fails and the old file stays.
  const int link_error = fs_.LinkFile(output, destination);
  if (link_error == EPERM || link_error == EXDEV || link_error == EINVAL ||
      link_error == EOPNOTSUPP || link_error == ENOSYS) {
    // Some file systems make such files but cannot name them: this one is copied again the
    // named way.
    output.Close();
    return Naming::kRefused;
  }
  if (link_error != 0) {
    output.Close();
    return Naming::kFailed;
  }
  if (!output.Close()) {
    // A late write error: the file just named is not a good copy and is nobody else's.
    fs_.RemoveFile(destination);
    return Naming::kFailed;
  }
  return Naming::kNamed;
}

FileTransfer::PreparedBatch FileTransfer::PrepareNewCopies(const std::vector<std::string>& sources,
                                                           const std::vector<std::string>& targets,
                                                           const std::vector<bool>& listed,
                                                           bool look_first) {
  PreparedBatch batch;
  batch.shared_ = std::make_shared<PreparedBatch::Shared>(std::min(sources.size(), targets.size()));
  PreparedBatch::Shared& shared = *batch.shared_;
  shared.transfer = this;
  shared.block_size = BlockSize();
  shared.look_first = look_first;
  for (size_t i = 0; i < shared.copies.size(); ++i) {
    for (PreparedCopy* copy : {&shared.copies[i].by_helper, &shared.copies[i].by_taker}) {
      copy->source_ = sources[i];
      copy->target_ = targets[i];
      if (i < listed.size() && listed[i]) copy->stage_ = PreparedCopy::Stage::kLeftOut;
    }
  }
  if (!helpers_) helpers_ = fs_.StartHelperThreads(std::max<size_t>(fs_.WorkThreads(), 1) - 1);
  if (helpers_->Count() > 0 && shared.copies.size() > 1) {
    std::shared_ptr<PreparedBatch::Shared> kept = batch.shared_;
    helpers_->Start([kept] { PreparedBatch::Help(*kept); });
  }
  return batch;
}

void FileTransfer::PreparedBatch::Help(Shared& shared) {
  for (;;) {
    const int64_t index = shared.back.fetch_sub(1) - 1;
    if (index < 0) return;
    Slot& slot = shared.copies[static_cast<size_t>(index)];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kHelper)) return;  // the taker is here
    shared.transfer->Prepare(slot.by_helper, shared.block_size, shared.look_first);
    expected = kHelper;
    // Taken over meanwhile: the taker made its own, this one goes (a file without a name
    // vanishes when closed).
    if (!slot.state.compare_exchange_strong(expected, kDone)) slot.by_helper = PreparedCopy();
  }
}

FileTransfer::PreparedCopy& FileTransfer::PreparedBatch::Take(size_t index) {
  Slot& slot = shared_->copies[index];
  int expected = kFree;
  if (slot.state.compare_exchange_strong(expected, kTaken) ||
      (expected == kHelper && slot.state.compare_exchange_strong(expected, kTaken))) {
    // Nobody had it, or a helper is still at it (and may be held up): made ready here.
    shared_->transfer->Prepare(slot.by_taker, shared_->block_size, shared_->look_first);
    return slot.by_taker;
  }
  return expected == kTaken ? slot.by_taker : slot.by_helper;
}

void FileTransfer::Prepare(PreparedCopy& prepared, int64_t block_size, bool look_first) {
  // Only what SynchronizeFile() would do before its first look at the cancel request, and
  // nothing anyone else can see: no name, no folder, no bar.
  if (prepared.stage_ == PreparedCopy::Stage::kLeftOut) return;
  if (look_first && fs_.LinkStatus(prepared.target_).exists) {
    prepared.stage_ = PreparedCopy::Stage::kLeftOut;
    return;
  }
  FileStatus& before = prepared.before_;
  std::unique_ptr<File> input = fs_.OpenForReading(prepared.source_, nullptr, &before);
  if (!input) {
    prepared.stage_ = PreparedCopy::Stage::kNoSource;
    return;
  }
  // A source of more than one block shows its progress block by block and may be cancelled in
  // between: it is copied in its turn.
  if (before.size > block_size) return;
  std::string folder = DirectoryOf(prepared.target_);
  if (folder.empty()) folder = std::string(".") + kPathSeparator;
  int error = 0;
  prepared.output_ = fs_.CreateUnnamedFile(folder, &error, before.mode & kCopiedModeBits);
  if (!prepared.output_) {
    // Where the file system has no files without a name, every copy goes the named way in its
    // turn: making them ready here would only double the attempt.
    if (error != ENOENT) no_unnamed_files_.store(true, std::memory_order_relaxed);
    return;
  }
  prepared.stage_ = PreparedCopy::Stage::kCopied;
  const int64_t size = before.size;
  if (size > 0) {
    // The kernel copies; a buffer is needed only where it cannot.
    std::vector<char> buffer;
    prepared.moved_ = fs_.CopyBlock(*input, *prepared.output_, size, buffer);
    if (prepared.moved_ != size) return;
  }
  const FileStatus after = input->Status();
  if (!after.exists || after.size != size || after.mtime_ns != before.mtime_ns) return;
  input->Close();
  File& output = *prepared.output_;
  if (before.allocated < size && !output.Resize(size)) return;
  output.SetTimes(before.atime_ns, before.mtime_ns);
  prepared.complete_ = true;
}

bool FileTransfer::FinishCopy(PreparedCopy& prepared) {
  switch (prepared.stage_) {
    case PreparedCopy::Stage::kLeftOut:
      return SynchronizeFile(prepared.source_, prepared.target_);
    case PreparedCopy::Stage::kNotStarted:
      return Copy(prepared.source_, prepared.target_, true);
    case PreparedCopy::Stage::kNoSource:
      return false;
    case PreparedCopy::Stage::kCopied:
      break;
  }
  // The same bar values and looks at the cancel request as a copy of one block in Copy().
  std::unique_ptr<File> output = std::move(prepared.output_);
  const int64_t size = prepared.before_.size;
  progress_.SetBarRange(ProgressBar::kActual, 0, size);
  progress_.SetBarValue(ProgressBar::kActual, 0);
  if (size > 0) {
    if (prepared.moved_ < 0) {
      output->Close();
      return false;
    }
    progress_.SetBarValue(ProgressBar::kActual, prepared.moved_);
    progress_.ProcessEvents();
    // A source that ended early shrank while it was read.
    if (prepared.moved_ < size || control_.CancelRequested()) {
      output->Close();
      return false;
    }
  }
  if (!prepared.complete_) {
    output->Close();
    return false;
  }
  const Naming naming = NameUnnamed(*output, prepared.target_);
  if (naming == Naming::kRefused) return Copy(prepared.source_, prepared.target_, false);
  if (naming == Naming::kFailed) return false;
  progress_.ProcessEvents();
  progress_.SetBarValue(ProgressBar::kActual, size);
  return true;
}

uint32_t FileTransfer::GetFileCRC32(const std::string& path) {
  std::unique_ptr<File> input = fs_.OpenForReading(path);
  if (!input) return 0;
  if (buffer_.size() < kChecksumBlockSize) buffer_.resize(kChecksumBlockSize);
  uint32_t crc = 0;
  for (;;) {
    const int64_t count = input->Read(buffer_.data(), static_cast<int64_t>(kChecksumBlockSize));
    if (count <= 0) break;  // the end, or a read error: the CRC of what was read
    crc = UpdateCrc32(crc, buffer_.data(), static_cast<size_t>(count));
  }
  return crc;
}

DateTime FileTransfer::GetFileModifyDate(const std::string& path) {
  return ModifyDateOf(fs_.Stat(path));
}

DateTime FileTransfer::ModifyDateOf(const FileStatus& status) {
  if (!status.exists || status.is_directory) return -1.0;
  return EncodeDateTime(fs_.LocalTimeOf(status.mtime_ns));
}

bool FileTransfer::RemoveStaleTemporaryFile(const std::string& path) {
  return fs_.RemoveUnlockedFile(path);
}

}  // namespace parvolind
