#include "engine/file_transfer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "engine/faulty_file_system.h"
#include "engine/recording_host.h"
#include "platform/file_system.h"
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
      fs_->SetTimes(source, 1600000000 * kSecond + 123456789, 1700000000 * kSecond + 500000000), 0);
  ASSERT_EQ(fs_->SetPermissions(source, 0640), 0);
  const std::string target = PathOf("dst/deeper/still/data.bin");  // folders do not exist yet

  ASSERT_TRUE(transfer_.SynchronizeFile(source, target));
  const FileStatus copied = fs_->Stat(target);  // before reading it changes the access time
  EXPECT_EQ(ReadFile(target), data);
  EXPECT_EQ(host_.actual_values, (std::vector<int64_t>{0, 131071, 262142, 300000, 300000}));
  EXPECT_EQ(host_.BarMaximum(ProgressBar::kActual), 300000);
  EXPECT_EQ(host_.events, 4);  // one per block and one at the end
  EXPECT_EQ(copied.mtime_ns, 1700000000 * kSecond + 500000000);
  EXPECT_EQ(copied.atime_ns, 1600000000 * kSecond + 123456789);
  EXPECT_EQ(ModeOf(target), 0640u);  // a new target takes the source's bits
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
  ASSERT_EQ(fs_->SetPermissions(source, 0644), 0);
  const std::string target = WriteFile("b/file.txt", "old, longer content than the new one");
  ASSERT_EQ(fs_->SetPermissions(target, 0444), 0);

  ASSERT_TRUE(transfer_.SynchronizeFile(source, target));
  EXPECT_EQ(ReadFile(target), "new content");
  EXPECT_EQ(ModeOf(target), 0444u);
  EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{"file.txt"});

  // A target that is a link is replaced itself; what it led to stays untouched. A link to a
  // folder is no file to replace.
  const std::string real = WriteFile("c/real.txt", "old");
  std::filesystem::create_symlink(real, PathOf("b/link.txt"));
  ASSERT_TRUE(transfer_.SynchronizeFile(source, PathOf("b/link.txt")));
  EXPECT_FALSE(fs_->LinkStatus(PathOf("b/link.txt")).is_link);
  EXPECT_EQ(ReadFile(PathOf("b/link.txt")), "new content");
  EXPECT_EQ(ModeOf(PathOf("b/link.txt")), 0644u);
  EXPECT_EQ(ReadFile(real), "old");
  std::filesystem::create_directory_symlink(PathOf("c"), PathOf("b/folder"));
  EXPECT_FALSE(transfer_.SynchronizeFile(source, PathOf("b/folder")));
  EXPECT_TRUE(fs_->LinkStatus(PathOf("b/folder")).is_link);
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

TEST_F(FileTransferTest, ANewTargetAppearsOnlyWhenCompleteAndNeverOverwritesOneThatAppeared) {
  const std::string source = WriteFile("a/big.bin", Pattern(400000, 10));
  ASSERT_EQ(fs_->SetPermissions(source, 0604), 0);
  ASSERT_EQ(fs_->SetTimes(source, 1600000000 * kSecond, 1650000000 * kSecond + 7), 0);
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("b")));
  if (!fs_->CreateUnnamedFile(PathOf("b/"))) GTEST_SKIP() << "no files without a name here";
  const std::string target = PathOf("b/big.bin");

  // While the copy runs the folder shows neither the target nor any temporary name.
  std::vector<std::vector<std::string>> seen;
  host_.on_process_events = [&](int) { seen.push_back(Listing(PathOf("b"))); };
  ASSERT_TRUE(transfer_.SynchronizeFile(source, target));
  ASSERT_EQ(seen.size(), 5u);  // four blocks, then once after the name was given
  for (size_t i = 0; i + 1 < seen.size(); ++i) EXPECT_TRUE(seen[i].empty()) << i;
  EXPECT_EQ(seen.back(), std::vector<std::string>{"big.bin"});
  const FileStatus copied = fs_->Stat(target);
  EXPECT_EQ(copied.mode & 07777, 0604u);
  EXPECT_EQ(copied.mtime_ns, 1650000000 * kSecond + 7);
  EXPECT_EQ(copied.atime_ns, 1600000000 * kSecond);
  EXPECT_EQ(ReadFile(target), Pattern(400000, 10));

  // Cancelled part way: no target, no temporary name.
  host_.on_process_events = [&](int events) {
    if (events == 2) host_.control.SetCancelRequested(true);
  };
  host_.events = 0;
  EXPECT_FALSE(transfer_.SynchronizeFile(source, PathOf("b/cancelled.bin")));
  EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{"big.bin"});
  host_.control.SetCancelRequested(false);

  // Someone else creates the target while it is copied: that file is kept as it is, the copy
  // fails and leaves nothing of its own behind.
  const std::string raced = PathOf("b/raced.bin");
  host_.events = 0;
  host_.on_process_events = [&](int events) {
    if (events == 1) WriteFile("b/raced.bin", "written meanwhile");
  };
  EXPECT_FALSE(transfer_.SynchronizeFile(source, raced));
  EXPECT_EQ(ReadFile(raced), "written meanwhile");
  EXPECT_EQ(Listing(PathOf("b")), (std::vector<std::string>{"big.bin", "raced.bin"}));

  // A link in the way that leads nowhere is a taken name too: a link that appeared is kept.
  host_.events = 0;
  host_.on_process_events = [&](int events) {
    if (events == 1) std::filesystem::create_symlink(PathOf("nowhere"), PathOf("b/late.bin"));
  };
  EXPECT_FALSE(transfer_.SynchronizeFile(source, PathOf("b/late.bin")));
  EXPECT_TRUE(fs_->LinkStatus(PathOf("b/late.bin")).is_link);
  host_.on_process_events = nullptr;

  // One that was there from the start is replaced by the file, as before.
  ASSERT_TRUE(transfer_.SynchronizeFile(source, PathOf("b/late.bin")));
  EXPECT_FALSE(fs_->LinkStatus(PathOf("b/late.bin")).is_link);
  EXPECT_EQ(ReadFile(PathOf("b/late.bin")), Pattern(400000, 10));
  EXPECT_EQ(Listing(PathOf("b")), (std::vector<std::string>{"big.bin", "late.bin", "raced.bin"}));
}

// The machine's file system with no files without a name, as some file systems are.
class NamedFilesOnly : public testing::FaultyFileSystem {
 public:
  using FaultyFileSystem::FaultyFileSystem;
  std::unique_ptr<File> CreateUnnamedFile(const std::string&, int* error) override {
    if (error != nullptr) *error = EOPNOTSUPP;
    return nullptr;
  }
  int LinkFile(File&, const std::string&) override { return EOPNOTSUPP; }
};

TEST_F(FileTransferTest, WithoutFilesWithoutANameANewTargetGoesThroughANamedOne) {
  NamedFilesOnly named(*fs_);
  FileTransfer transfer(named, host_, host_.control, host_.options);
  const std::string source = WriteFile("a/file.bin", Pattern(300000, 11));
  ASSERT_EQ(fs_->SetPermissions(source, 0640), 0);

  bool temporary_seen = false;
  host_.on_process_events = [&](int) {
    for (const std::string& name : Listing(PathOf("b/c"))) {
      temporary_seen |= FileTransfer::IsTemporaryName(name);
    }
  };
  ASSERT_TRUE(transfer.SynchronizeFile(source, PathOf("b/c/file.bin")));  // folders made too
  EXPECT_TRUE(temporary_seen);
  EXPECT_EQ(ReadFile(PathOf("b/c/file.bin")), Pattern(300000, 11));
  EXPECT_EQ(ModeOf(PathOf("b/c/file.bin")), 0640u);
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

TEST_F(FileTransferTest, AWriteErrorMidwayLeavesTheOldTarget) {
  // A file size limit makes writes fail part way, as a full disk does.
  const std::string source = WriteFile("a/big.bin", Pattern(300000, 8));
  const std::string old = Pattern(1000, 9);
  const std::string target = WriteFile("b/big.bin", old);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto saved_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 200000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool copied = transfer_.SynchronizeFile(source, target);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, saved_handler);

  EXPECT_FALSE(copied);
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{"big.bin"});
  EXPECT_EQ(host_.events, 1);  // the first block went through, the second failed
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

TEST_F(FileTransferTest, CopiesFilesOfTwoGibibytesAndMore) {
  // A sparse source: fast to make and to copy, yet every offset counts.
  const std::string source = PathOf("big.sparse");
  const int64_t size = (int64_t{1} << 31) + 7;
  {
    std::ofstream out(source, std::ios::binary);
    out << "head";
  }
  std::filesystem::resize_file(source, static_cast<uintmax_t>(size));
  {
    std::fstream out(source, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(size - 7);
    out << "TAILEND";
    out.seekp(int64_t{1} << 30);
    out << "middle";
  }
  host_.options.copy_buffer_size = 524287;
  const std::string target = PathOf("out/big.copy");
  ASSERT_TRUE(transfer_.SynchronizeFile(source, target));
  const FileStatus copied = fs_->Stat(target);
  EXPECT_EQ(copied.size, size);
  EXPECT_EQ(host_.BarMaximum(ProgressBar::kActual), size);
  EXPECT_EQ(host_.BarValue(ProgressBar::kActual), size);
  EXPECT_LT(copied.allocated, int64_t{64} << 20);  // the holes stay holes

  std::ifstream in(target, std::ios::binary);
  char buffer[8] = {};
  in.read(buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), "head");
  in.seekg(int64_t{1} << 30);
  in.read(buffer, 6);
  EXPECT_EQ(std::string(buffer, 6), "middle");
  in.seekg((int64_t{1} << 30) + 4096);
  in.read(buffer, 8);
  EXPECT_EQ(std::string(buffer, 8), std::string(8, '\0'));
  in.seekg(size - 7);
  in.read(buffer, 8);
  EXPECT_EQ(in.gcount(), 7);
  EXPECT_EQ(std::string(buffer, 7), "TAILEND");
}

TEST_F(FileTransferTest, CopiesNamesThatAreNotUtf8ByteForByte) {
  const std::string name = "caf\xE9 \xFF.txt";
  const std::string source = PathOf("a_" + name);
  std::ofstream(source, std::ios::binary) << "bytes";
  const std::string target = PathOf("b/") + name;
  ASSERT_TRUE(transfer_.SynchronizeFile(source, target));
  EXPECT_EQ(Listing(PathOf("b")), std::vector<std::string>{name});
  std::string content;
  std::getline(std::ifstream(target, std::ios::binary), content);
  EXPECT_EQ(content, "bytes");
  // The temporary folder's own clean-up cannot spell such names.
  std::filesystem::remove(source);
  std::filesystem::remove(target);
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

}  // namespace
}  // namespace parvolind
