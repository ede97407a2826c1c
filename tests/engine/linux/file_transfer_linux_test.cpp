#include "engine/file_transfer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

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

class FileTransferLinuxTest : public testing::TempDirTest {
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

TEST_F(FileTransferLinuxTest, AReplacedLinkIsReplacedItselfAndALinkToAFolderIsNoFile) {
  const std::string source = WriteFile("a/file.txt", "new content");
  ASSERT_EQ(fs_->SetPermissions(source, 0644), 0);
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("b")));

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

TEST_F(FileTransferLinuxTest, ANewTargetAppearsOnlyWhenCompleteAndNeverOverwritesOneThatAppeared) {
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

TEST_F(FileTransferLinuxTest, AWriteErrorMidwayLeavesTheOldTarget) {
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

TEST_F(FileTransferLinuxTest, CopiesFilesOfTwoGibibytesAndMore) {
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

TEST_F(FileTransferLinuxTest, CopiesNamesThatAreNotUtf8ByteForByte) {
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

}  // namespace
}  // namespace parvolind
