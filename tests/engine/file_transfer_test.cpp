#include "engine/file_transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "engine/faulty_file_system.h"
#include "engine/recording_host.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using testing::RecordingHost;

constexpr int64_t kSecond = 1000000000;

std::string Pattern(size_t size, unsigned seed) {
  std::string data(size, '\0');
  uint32_t state = seed;
  for (char& c : data) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  return data;
}

// The CRC-32 bit by bit, to check the fast one against.
uint32_t ReferenceCrc32(std::string_view data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Bits of FileStatus::mode a file can be given here: permission bits on Linux, attributes on
// Windows (where every file also bears the archive mark, 0x20, as Wine reports it anyway).
constexpr bool kPermissionBits = kArchiveModeBit == 0;
// A file of the owner's own (rw-r-----), or a hidden one.
constexpr uint32_t kOwnBits = kPermissionBits ? 0640 : 0x22;
// An ordinary file (rw-r--r--), or one with the archive mark alone.
constexpr uint32_t kPlainBits = kPermissionBits ? 0644 : 0x20;
// A read-only file.
constexpr uint32_t kReadOnlyBits = kPermissionBits ? 0444 : 0x21;

class FileTransferTest : public testing::TempDirTest {
 protected:
  std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  uint32_t ModeOf(const std::string& path) { return fs_->Stat(path).mode & 07777; }

  std::unique_ptr<FileSystem> fs_ = CreateFileSystem();
  RecordingHost host_;
  FileTransfer transfer_{*fs_, host_, host_.control, host_.options};
};

TEST_F(FileTransferTest, CopiesInBlocksOfTheBufferSizeWithTimesAndProgress) {
  const std::string data = Pattern(300000, 1);
  const std::string source = WriteFile("src/data.bin", data);
  ASSERT_EQ(
      fs_->SetTimes(source, 1600000000 * kSecond + 123456700, 1700000000 * kSecond + 500000000), 0);
  ASSERT_EQ(fs_->SetPermissions(source, kOwnBits), 0);
  const std::string target = PathOf("dst/deeper/still/data.bin");  // folders do not exist yet

  ASSERT_TRUE(transfer_.SynchronizeFile(source, target));
  const FileStatus copied = fs_->Stat(target);  // before reading it changes the access time
  EXPECT_EQ(ReadFile(target), data);
  EXPECT_EQ(host_.actual_values, (std::vector<int64_t>{0, 131071, 262142, 300000, 300000}));
  EXPECT_EQ(host_.BarMaximum(ProgressBar::kActual), 300000);
  EXPECT_EQ(host_.events, 4);  // one per block and one at the end
  EXPECT_EQ(copied.mtime_ns, 1700000000 * kSecond + 500000000);
  // Wine stamps a file written through a handle with the moment it was closed as its last access
  // time, whatever was set before; the access time is checked where the test runs natively.
  if (kPermissionBits) {
    EXPECT_EQ(copied.atime_ns, 1600000000 * kSecond + 123456700);
  }
  EXPECT_EQ(ModeOf(target), kOwnBits);  // a new target takes the source's bits
  EXPECT_EQ(Listing(PathOf("dst/deeper/still")), std::vector<std::string>{"data.bin"});

  // A second, smaller file starts its bar empty again; 100 000 bytes are one block.
  host_.actual_values.clear();
  const std::string small = WriteFile("src/small.bin", Pattern(100000, 2));
  ASSERT_TRUE(transfer_.SynchronizeFile(small, PathOf("dst/small.bin")));
  EXPECT_EQ(host_.actual_values, (std::vector<int64_t>{0, 100000, 100000}));

  // An empty source gives an empty target; the bar ends at its maximum 0.
  host_.actual_values.clear();
  const std::string empty = WriteFile("src/empty", "");
  ASSERT_TRUE(transfer_.SynchronizeFile(empty, PathOf("dst/empty")));
  EXPECT_TRUE(fs_->Stat(PathOf("dst/empty")).is_regular);
  EXPECT_EQ(fs_->Stat(PathOf("dst/empty")).size, 0);
  EXPECT_EQ(host_.BarMaximum(ProgressBar::kActual), 0);
  EXPECT_EQ(host_.BarValue(ProgressBar::kActual), 0);
}

TEST_F(FileTransferTest, ReplacedTargetKeepsItsOwnBitsAndReadOnlyStaysReadOnly) {
  const std::string source = WriteFile("a/file.txt", "new content");
  ASSERT_EQ(fs_->SetPermissions(source, kPlainBits), 0);
  const std::string target = WriteFile("b/file.txt", "old, longer content than the new one");
  ASSERT_EQ(fs_->SetPermissions(target, kReadOnlyBits), 0);

  ASSERT_TRUE(transfer_.SynchronizeFile(source, target));
  EXPECT_EQ(ReadFile(target), "new content");
  EXPECT_EQ(ModeOf(target), kReadOnlyBits);
  EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{"file.txt"});
}

TEST_F(FileTransferTest, CancelOrFailureLeavesTheOldTargetAndNoTemporaryFile) {
  const std::string source = WriteFile("a/big.bin", Pattern(400000, 3));
  const std::string old = Pattern(5000, 4);
  const std::string target = WriteFile("b/big.bin", old);
  host_.on_process_events = [&](int events) {
    if (events == 2) host_.control.SetCancelRequested(true);
  };
  EXPECT_FALSE(transfer_.SynchronizeFile(source, target));
  EXPECT_EQ(host_.events, 2);  // stopped after the second block
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{"big.bin"});

  // Cancelled on a new target: the target does not appear at all.
  host_.events = 0;
  EXPECT_FALSE(transfer_.SynchronizeFile(source, PathOf("b/new.bin")));
  EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{"big.bin"});
  host_.control.SetCancelRequested(false);
  host_.on_process_events = nullptr;

  // A target folder that cannot be created (its parent is a file), a missing source, a
  // directory in the target's place: false, nothing left behind.
  WriteFile("plain", "x");
  EXPECT_FALSE(transfer_.SynchronizeFile(source, PathOf("plain/sub/big.bin")));
  EXPECT_FALSE(transfer_.SynchronizeFile(PathOf("a/missing"), PathOf("b/missing")));
  EXPECT_FALSE(fs_->Stat(PathOf("b/missing")).exists);
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("b/dir")));
  EXPECT_FALSE(transfer_.SynchronizeFile(source, PathOf("b/dir")));
  EXPECT_EQ(Listing(PathOf("b")), (std::vector<std::string>{"big.bin", "dir"}));
}

// The machine's file system with no files without a name, as some file systems are.
class NamedFilesOnly : public testing::FaultyFileSystem {
 public:
  using FaultyFileSystem::FaultyFileSystem;
  std::unique_ptr<File> CreateUnnamedFile(const std::string&, int* error, uint32_t) override {
    if (error != nullptr) *error = EOPNOTSUPP;
    return nullptr;
  }
  int LinkFile(File&, const std::string&) override { return EOPNOTSUPP; }
};

TEST_F(FileTransferTest, WithoutFilesWithoutANameANewTargetGoesThroughANamedOne) {
  NamedFilesOnly named(*fs_);
  FileTransfer transfer(named, host_, host_.control, host_.options);
  const std::string source = WriteFile("a/file.bin", Pattern(300000, 11));
  ASSERT_EQ(fs_->SetPermissions(source, kOwnBits), 0);

  bool temporary_seen = false;
  host_.on_process_events = [&](int) {
    for (const std::string& name : Listing(PathOf("b/c"))) {
      temporary_seen |= FileTransfer::IsTemporaryName(name);
    }
  };
  ASSERT_TRUE(transfer.SynchronizeFile(source, PathOf("b/c/file.bin")));  // folders made too
  EXPECT_TRUE(temporary_seen);
  EXPECT_EQ(ReadFile(PathOf("b/c/file.bin")), Pattern(300000, 11));
  EXPECT_EQ(ModeOf(PathOf("b/c/file.bin")), kOwnBits);
  EXPECT_EQ(Listing(PathOf("b/c")), std::vector<std::string>{"file.bin"});

  host_.events = 0;
  host_.on_process_events = [&](int events) {
    if (events == 1) host_.control.SetCancelRequested(true);
  };
  EXPECT_FALSE(transfer.SynchronizeFile(source, PathOf("b/c/other.bin")));
  EXPECT_EQ(Listing(PathOf("b/c")), std::vector<std::string>{"file.bin"});
}

TEST_F(FileTransferTest, AReplacementWhoseSyncOrRenameFailsKeepsTheOldTarget) {
  testing::FaultyFileSystem faulty(*fs_);
  const std::string source = WriteFile("a/new.bin", Pattern(200000, 12));
  const std::string other = WriteFile("a/other.bin", Pattern(200000, 12));
  const std::string target = WriteFile("b/t1.bin", "old 1");
  {
    FileTransfer transfer(faulty, host_, host_.control, host_.options);
    faulty.failing_sync = "other.bin";
    EXPECT_FALSE(transfer.SynchronizeFile(other, target));
    faulty.failing_rename = "t1.bin";
    EXPECT_FALSE(transfer.SynchronizeFile(source, target));
    EXPECT_EQ(ReadFile(target), "old 1");
    EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{"t1.bin"});
  }

  // In batches: the copies wait, complete, until the batch is finished; then each replaces its
  // target after its own sync, and a failing one leaves its old target and nothing else.
  for (const char* name : {"t2.bin", "t3.bin", "t4.bin"}) WriteFile(std::string("b/") + name, name);
  std::vector<std::string> failed;
  faulty.failing_rename = "t3.bin";
  faulty.steps.clear();
  {
    FileTransfer transfer(faulty, host_, host_.control, host_.options);
    transfer.FinishReplacementsInBatches([&](const std::string& s) { failed.push_back(s); });
    for (const char* name : {"t1.bin", "t2.bin", "t3.bin", "t4.bin"}) {
      const std::string& from = std::string(name) == "t2.bin" ? other : source;
      EXPECT_TRUE(transfer.SynchronizeFile(from, PathOf(std::string("b/") + name))) << name;
    }
    EXPECT_EQ(ReadFile(target), "old 1");  // nothing replaced yet
    EXPECT_EQ(std::count(faulty.steps.begin(), faulty.steps.end(), "sync"), 0);
    transfer.FinishPendingReplacements();
    EXPECT_EQ(failed, (std::vector<std::string>{other, source}));
    EXPECT_EQ(ReadFile(target), Pattern(200000, 12));
    EXPECT_EQ(ReadFile(PathOf("b/t2.bin")), "t2.bin");
    EXPECT_EQ(ReadFile(PathOf("b/t3.bin")), "t3.bin");
    EXPECT_EQ(ReadFile(PathOf("b/t4.bin")), Pattern(200000, 12));

    // What still waits when the transfer goes is finished then.
    faulty.failing_rename.clear();
    EXPECT_TRUE(transfer.SynchronizeFile(source, PathOf("b/t3.bin")));
  }
  EXPECT_EQ(ReadFile(PathOf("b/t3.bin")), Pattern(200000, 12));
  EXPECT_EQ(Listing(PathOf("b")),
            (std::vector<std::string>{"t1.bin", "t2.bin", "t3.bin", "t4.bin"}));
}

TEST_F(FileTransferTest, ASourceThatChangesWhileItIsCopiedFails) {
  const std::string source = WriteFile("a/log.txt", Pattern(300000, 5));
  const std::string old = "old target";
  const std::string target = WriteFile("b/log.txt", old);

  // Grows after the first block.
  host_.on_process_events = [&](int events) {
    if (events == 1) {
      std::ofstream(source, std::ios::app) << "appended";
    }
  };
  EXPECT_FALSE(transfer_.SynchronizeFile(source, target));
  EXPECT_EQ(ReadFile(target), old);

  // Shrinks after the first block: the copy ends at once instead of waiting for bytes.
  host_.events = 0;
  host_.on_process_events = [&](int events) {
    if (events == 1) std::filesystem::resize_file(source, 1000);
  };
  WriteFile("a/log.txt", Pattern(300000, 6));
  EXPECT_FALSE(transfer_.SynchronizeFile(source, target));
  EXPECT_EQ(host_.events, 2);
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{"log.txt"});
}

TEST_F(FileTransferTest, Crc32OfContentEmptyAndMissingFiles) {
  EXPECT_EQ(transfer_.GetFileCRC32(WriteFile("check", "123456789")), 0xCBF43926u);
  EXPECT_EQ(transfer_.GetFileCRC32(WriteFile("empty", "")), 0u);
  EXPECT_EQ(transfer_.GetFileCRC32(PathOf("missing")), 0u);
  EXPECT_EQ(transfer_.GetFileCRC32(Dir()), 0u);
  // Several read blocks chain to the CRC of the whole.
  const std::string data = Pattern(1000003, 7);
  EXPECT_EQ(transfer_.GetFileCRC32(WriteFile("long", data)), ReferenceCrc32(data));
}

TEST_F(FileTransferTest, ModifyDateIsTheLocalLastWriteTimeToTheMillisecond) {
  const std::string file = WriteFile("file", "x");
  const int64_t written = 1782900000 * kSecond + 500999999;
  ASSERT_EQ(fs_->SetTimes(file, 0, written), 0);
  const LocalTime local = DecodeDateTime(transfer_.GetFileModifyDate(file));
  EXPECT_EQ(local, fs_->LocalTimeOf(written));
  EXPECT_EQ(local.millisecond, 500);
  EXPECT_EQ(transfer_.ModifyDateOf(fs_->Stat(file)), transfer_.GetFileModifyDate(file));
  EXPECT_EQ(transfer_.GetFileModifyDate(Dir()), -1.0);
  EXPECT_EQ(transfer_.GetFileModifyDate(PathOf("missing")), -1.0);
}

TEST_F(FileTransferTest, RecognisesItsTemporaryNames) {
  EXPECT_TRUE(FileTransfer::IsTemporaryName(".parvolind-tmp-42-abcdefghij"));
  EXPECT_FALSE(FileTransfer::IsTemporaryName("parvolind-tmp-42"));
  EXPECT_FALSE(FileTransfer::IsTemporaryName(".parvolind"));
  // Only the complete pattern is ours; the user may name files with the prefix.
  EXPECT_FALSE(FileTransfer::IsTemporaryName(".parvolind-tmp-notes"));
  EXPECT_FALSE(FileTransfer::IsTemporaryName(".parvolind-tmp-42-abcdefghij.txt"));
  EXPECT_FALSE(FileTransfer::IsTemporaryName(".parvolind-tmp-42-abcdefghi"));
  EXPECT_FALSE(FileTransfer::IsTemporaryName(".parvolind-tmp-42-abcdefghijk"));
}

// Copies made ready ahead, in helper threads, must finish exactly as copies made one by one in
// their turn: the same results, bar values, event turns and looks at the cancel request, the same
// files.
TEST_F(FileTransferTest, ACopyMadeReadyAheadFinishesAsOneMadeInItsTurn) {
  const std::vector<std::string> names = {"empty", "one",   "two-blocks", "locked",
                                          "gone",  "there", "new/folder", "read-only"};
  WriteFile("a/empty", "");
  WriteFile("a/one", Pattern(1000, 5));
  WriteFile("a/two-blocks", Pattern(200000, 6));
  WriteFile("a/locked", "x");
  WriteFile("a/there", "new");
  WriteFile("a/new/folder", "y");
  ASSERT_EQ(fs_->SetPermissions(WriteFile("a/read-only", "z"), kReadOnlyBits), 0);
  for (const std::string& name : names) {
    if (name != "gone") {
      ASSERT_EQ(fs_->SetTimes(PathOf("a/" + name), 5 * kSecond, 7 * kSecond), 0);
    }
  }
  testing::FaultyFileSystem faulty(*fs_);
  faulty.failing_open = "locked";

  // Copies `names` into `folder`, one by one or made ready first (knowing which targets are there,
  // or looking first); cancels at event `cancel_at`.
  const auto copy_all = [&](const std::string& folder, bool ahead, int cancel_at, bool look_first) {
    EXPECT_EQ(fs_->SetTimes(WriteFile(folder + "/there", "old"), kSecond, 2 * kSecond), 0);
    RecordingHost host;
    host.on_process_events = [&](int events) {
      if (events == cancel_at) host.control.SetCancelRequested(true);
    };
    FileTransfer transfer(faulty, host, host.control, host.options);
    std::vector<std::string> targets;
    std::vector<std::string> storage;
    for (const std::string& name : names) storage.push_back(PathOf("a/" + name));
    for (size_t i = 0; i < names.size(); ++i) targets.push_back(PathOf(folder + "/" + names[i]));
    FileTransfer::PreparedBatch prepared;
    std::vector<bool> listed;
    for (const std::string& name : names) listed.push_back(!look_first && name == "there");
    if (ahead) prepared = transfer.PrepareNewCopies(storage, targets, listed, look_first);
    std::vector<int> results;
    for (size_t i = 0; i < names.size(); ++i) {
      FileTransfer::PreparedCopy* copy = ahead ? &prepared.Take(i) : nullptr;
      const bool copied = copy != nullptr && copy->Made()
                              ? transfer.FinishCopy(*copy)
                              : transfer.SynchronizeFile(storage[i], targets[i]);
      results.push_back(copied ? 1 : 0);
    }
    return std::make_tuple(results, host.actual_values, host.events);
  };
  for (const int cancel_at : {0, 4, 10}) {
    const bool look_first = cancel_at == 10;
    const std::string one = "one-by-one" + std::to_string(cancel_at);
    const std::string ahead = "ahead" + std::to_string(cancel_at);
    const auto expected = copy_all(one, false, cancel_at, look_first);
    EXPECT_EQ(copy_all(ahead, true, cancel_at, look_first), expected) << cancel_at;
    for (const std::string& name : names) {
      const FileStatus want = fs_->LinkStatus(PathOf(one + "/" + name));
      const FileStatus got = fs_->LinkStatus(PathOf(ahead + "/" + name));
      EXPECT_EQ(got.exists, want.exists) << name;
      EXPECT_EQ(got.mode, want.mode) << name;
      EXPECT_EQ(got.mtime_ns, want.mtime_ns) << name;
      if (want.exists) {
        EXPECT_EQ(ReadFile(PathOf(ahead + "/" + name)), ReadFile(PathOf(one + "/" + name)));
      }
    }
    EXPECT_EQ(Listing(PathOf(ahead)), Listing(PathOf(one)));
  }
  EXPECT_EQ(std::get<0>(copy_all("check", false, 0, false)),
            (std::vector<int>{1, 1, 1, 0, 0, 1, 1, 1}));
}

}  // namespace
}  // namespace parvolind
