#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/test_environment.h"

namespace parvolind {
namespace {

class FileSystemLinuxTest : public testing::TempDirTest {
 protected:
  std::unique_ptr<FileSystem> fs_ = CreateFileSystem();
};

TEST_F(FileSystemLinuxTest, PermissionBitsLinksAndNanosecondTimes) {
  const std::string file = WriteFile("f.txt", "12345");
  ASSERT_EQ(fs_->SetPermissions(file, 0640), 0);
  EXPECT_EQ(fs_->Stat(file).mode, 0640u);

  std::filesystem::create_symlink(file, PathOf("link"));
  EXPECT_TRUE(fs_->Stat(PathOf("link")).is_regular);
  EXPECT_FALSE(fs_->Stat(PathOf("link")).is_link);
  EXPECT_TRUE(fs_->LinkStatus(PathOf("link")).is_link);
  EXPECT_EQ(fs_->RealPath(PathOf("link")), fs_->RealPath(file));

  ASSERT_EQ(fs_->SetTimes(file, -1500000000, 1700000000123456789), 0);
  EXPECT_EQ(fs_->Stat(file).mtime_ns, 1700000000123456789);
}

TEST_F(FileSystemLinuxTest, ListsLinksAndPipesAndRefusesPipesForReading) {
  WriteFile("d/file", "x");
  std::filesystem::create_symlink(PathOf("d/file"), PathOf("d/link"));
  ASSERT_EQ(mkfifo(PathOf("d/pipe").c_str(), 0600), 0);

  auto stream = fs_->OpenDirectory(PathOf("d"));
  ASSERT_TRUE(stream);
  std::map<std::string, EntryType> entries;
  std::string_view name;
  EntryType type;
  while (stream->Next(name, type)) entries[std::string(name)] = type;
  const auto expect = [&](const std::string& entry, EntryType wanted) {
    ASSERT_TRUE(entries.count(entry)) << entry;
    // A file system that does not tell types reports kUnknown.
    EXPECT_TRUE(entries[entry] == wanted || entries[entry] == EntryType::kUnknown) << entry;
  };
  EXPECT_EQ(entries.size(), 3u);
  expect("link", EntryType::kLink);
  expect("pipe", EntryType::kOther);

  // A pipe without a writer would block a plain open; it is refused at once.
  int error = 0;
  EXPECT_FALSE(fs_->OpenForReading(PathOf("d/pipe"), &error));
  EXPECT_NE(error, 0);
}

TEST_F(FileSystemLinuxTest, TrashKeepsFilesWithTheirWayBackAndUndoes) {
  const std::string file = WriteFile("dir/a b%.txt", "old");
  const std::string trash = TrashDir();
  TrashEntry linked;
  ASSERT_EQ(fs_->PutInTrash(file, true, &linked), 0);
  EXPECT_FALSE(linked.moved);
  EXPECT_EQ(ReadFile(file), "old");  // still in place, and in the trash as well
  EXPECT_EQ(linked.file, trash + "/files/a b%.txt");
  EXPECT_EQ(ReadFile(linked.file), "old");
  const std::string info = ReadFile(trash + "/info/a b%.txt.trashinfo");
  EXPECT_EQ(
      info.rfind(
          "[Trash Info]\nPath=" + fs_->RealPath(PathOf("dir")) + "/a%20b%25.txt\nDeletionDate=", 0),
      0u)
      << info;
  EXPECT_EQ(info.size(), info.find("DeletionDate=") + 13 + 19 + 1);  // 2026-12-09T05:06:07
  ASSERT_EQ(fs_->TakeOutOfTrash(linked), 0);
  EXPECT_FALSE(fs_->LinkStatus(linked.file).exists);
  EXPECT_FALSE(fs_->LinkStatus(linked.info).exists);
  EXPECT_EQ(ReadFile(file), "old");

  // Moved in, a second file of the same name gets a name of its own; undone, it comes back.
  TrashEntry first;
  TrashEntry second;
  ASSERT_EQ(fs_->PutInTrash(file, false, &first), 0);
  EXPECT_FALSE(fs_->LinkStatus(file).exists);
  WriteFile("dir/a b%.txt", "newer");
  ASSERT_EQ(fs_->PutInTrash(file, false, &second), 0);
  EXPECT_EQ(second.file, trash + "/files/a b%.txt.2");
  EXPECT_EQ(ReadFile(first.file), "old");
  EXPECT_EQ(fs_->TakeOutOfTrash(second), 0);
  EXPECT_EQ(ReadFile(file), "newer");
  EXPECT_EQ(fs_->TakeOutOfTrash(first), EEXIST);  // nothing is put back over a file
  EXPECT_EQ(ReadFile(first.file), "old");
  EXPECT_EQ(fs_->PutInTrash(PathOf("missing"), false, nullptr), ENOENT);
  EXPECT_EQ(fs_->PutInTrash(PathOf("dir"), false, nullptr), EISDIR);
  EXPECT_EQ(fs_->MountPointOf(file), fs_->MountPointOf(Dir()));
  EXPECT_FALSE(fs_->MountPointOf(Dir()).empty());
}

TEST_F(FileSystemLinuxTest, NewFilesAreTheOwnersAloneAndPipesAreNotAppendedTo) {
  // A new file is the owner's alone whatever the umask; a pipe in its place is refused at once
  // instead of waiting for a reader.
  const std::string path = PathOf("log.txt");
  const mode_t old_mask = umask(022);
  EXPECT_EQ(fs_->AppendToFile(path, "private"), 0);
  umask(old_mask);
  EXPECT_EQ(fs_->Stat(path).mode, 0600u);
  ASSERT_EQ(mkfifo(PathOf("fifo").c_str(), 0600), 0);
  EXPECT_EQ(fs_->AppendToFile(PathOf("fifo"), "x"), EACCES);
}

TEST_F(FileSystemLinuxTest, LocalTimeUsesTheOffsetOfTheMomentItself) {
  if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin")) GTEST_SKIP();
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  constexpr int64_t kSecond = 1000000000;
  const LocalTime summer = fs_->LocalTimeOf(1782900000 * kSecond + 999999999);
  const LocalTime winter = fs_->LocalTimeOf(1768471200 * kSecond);
  const LocalTime before_epoch = fs_->LocalTimeOf(-kSecond / 2);
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  EXPECT_EQ(summer, (LocalTime{2026, 7, 1, 12, 0, 0, 999}));
  EXPECT_EQ(winter, (LocalTime{2026, 1, 15, 11, 0, 0, 0}));
  EXPECT_EQ(before_epoch, (LocalTime{1970, 1, 1, 0, 59, 59, 500}));
}

TEST_F(FileSystemLinuxTest, AFileWithoutANameIsSeenOnlyOnceLinkedAndNeverReplacesAName) {
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("d")));
  int error = 0;
  std::unique_ptr<File> file = fs_->CreateUnnamedFile(PathOf("d/"), &error);
  if (!file) GTEST_SKIP() << "no files without a name here, error " << error;
  ASSERT_TRUE(file->Write("content", 7));
  ASSERT_TRUE(file->SetPermissions(0640));
  ASSERT_TRUE(file->SetTimes(1600000000000000000, 1700000000000000000));
  EXPECT_TRUE(std::filesystem::is_empty(PathOf("d")));

  // A name that is taken, by a file or by a link leading nowhere, stays as it is.
  const std::string taken = WriteFile("d/taken", "old");
  EXPECT_EQ(fs_->LinkFile(*file, taken), EEXIST);
  EXPECT_EQ(ReadFile(taken), "old");
  std::filesystem::create_symlink(PathOf("nowhere"), PathOf("d/dangling"));
  EXPECT_EQ(fs_->LinkFile(*file, PathOf("d/dangling")), EEXIST);
  EXPECT_TRUE(fs_->LinkStatus(PathOf("d/dangling")).is_link);

  ASSERT_EQ(fs_->LinkFile(*file, PathOf("d/new")), 0);
  ASSERT_TRUE(file->Close());
  EXPECT_EQ(ReadFile(PathOf("d/new")), "content");
  const FileStatus status = fs_->Stat(PathOf("d/new"));
  EXPECT_EQ(status.mode, 0640u);
  EXPECT_EQ(status.mtime_ns, 1700000000000000000);

  // Closed without a name: nothing is left; a missing folder is told as such.
  std::unique_ptr<File> dropped = fs_->CreateUnnamedFile(PathOf("d/"), &error);
  ASSERT_TRUE(dropped);
  ASSERT_TRUE(dropped->Write("gone", 4));
  ASSERT_TRUE(dropped->Close());
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(PathOf("d"))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"dangling", "new", "taken"}));
  EXPECT_FALSE(fs_->CreateUnnamedFile(PathOf("missing/"), &error));
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
}  // namespace parvolind
