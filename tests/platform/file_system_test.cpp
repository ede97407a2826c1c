#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>

#include "platform/path_rules.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class FileSystemTest : public testing::TempDirTest {
 protected:
  std::unique_ptr<FileSystem> fs_ = CreateFileSystem();
};

TEST_F(FileSystemTest, StatusOfFilesFoldersAndMissingPaths) {
  const std::string file = WriteFile("f.txt", "12345");
  const FileStatus status = fs_->Stat(file);
  EXPECT_TRUE(status.exists);
  EXPECT_TRUE(status.is_regular);
  EXPECT_FALSE(status.is_directory);
  EXPECT_EQ(status.size, 5);
  EXPECT_TRUE(fs_->Stat(Dir()).is_directory);
  EXPECT_FALSE(fs_->Stat(PathOf("missing")).exists);
  EXPECT_EQ(fs_->RealPath(PathOf("missing")), "");
  EXPECT_EQ(fs_->MountPointOf(file), fs_->MountPointOf(Dir()));
  EXPECT_FALSE(fs_->MountPointOf(Dir()).empty());

  // Times to the 100 ns every file system here keeps, before 1970 too.
  ASSERT_EQ(fs_->SetTimes(file, -1500000000, 1700000000123456700), 0);
  EXPECT_EQ(fs_->Stat(file).atime_ns, -1500000000);
  EXPECT_EQ(fs_->Stat(file).mtime_ns, 1700000000123456700);
  EXPECT_EQ(fs_->SetTimes(PathOf("missing"), 0, 0), ENOENT);
}

TEST_F(FileSystemTest, ReadsDirectoriesWithEntryTypes) {
  WriteFile("d/file", "x");
  ASSERT_TRUE(fs_->CreateDirectoryPath(PathOf("d/sub")));

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
  EXPECT_EQ(entries.size(), 2u);  // no "." and ".."
  expect("file", EntryType::kRegular);
  expect("sub", EntryType::kDirectory);
  EXPECT_EQ(stream->Error(), 0);
  EXPECT_EQ(stream->Status().inode, fs_->Stat(PathOf("d")).inode);

  int error = 0;
  EXPECT_FALSE(fs_->OpenDirectory(PathOf("missing"), &error));
  EXPECT_EQ(error, ENOENT);
}

TEST_F(FileSystemTest, CreatesDirectoryPathsAndRefusesFoldersForReading) {
  EXPECT_TRUE(fs_->CreateDirectoryPath(PathOf("a/b/c/")));
  EXPECT_TRUE(fs_->Stat(PathOf("a/b/c")).is_directory);
  EXPECT_TRUE(fs_->CreateDirectoryPath(PathOf("a/b")));  // exists already
  WriteFile("plain", "x");
  EXPECT_FALSE(fs_->CreateDirectoryPath(PathOf("plain/sub")));
  EXPECT_FALSE(fs_->CreateDirectoryPath(PathOf("plain")));

  int error = 0;
  EXPECT_FALSE(fs_->OpenForReading(Dir(), &error));
  EXPECT_FALSE(fs_->OpenForReading(PathOf("missing"), &error));
  EXPECT_EQ(error, ENOENT);
}

TEST_F(FileSystemTest, TemporaryFilesAreUniqueAndLockedWhileOpen) {
  std::string first_path;
  std::string second_path;
  auto first = fs_->CreateTemporaryFile(Dir() + kPathSeparator, ".tmp-", &first_path);
  auto second = fs_->CreateTemporaryFile(Dir() + kPathSeparator, ".tmp-", &second_path);
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_NE(first_path, second_path);
  EXPECT_EQ(first_path.rfind(Dir() + kPathSeparator + ".tmp-", 0), 0u);
  EXPECT_TRUE(first->Write("abc", 3));

  EXPECT_FALSE(fs_->RemoveUnlockedFile(first_path));  // still held
  EXPECT_TRUE(fs_->Stat(first_path).exists);
  EXPECT_TRUE(first->Close());
  EXPECT_TRUE(fs_->RemoveUnlockedFile(first_path));
  EXPECT_FALSE(fs_->Stat(first_path).exists);
  second.reset();  // the destructor closes and so releases the lock too
  EXPECT_TRUE(fs_->RemoveUnlockedFile(second_path));
  EXPECT_FALSE(fs_->RemoveUnlockedFile(PathOf("missing")));

  int error = 0;
  EXPECT_FALSE(fs_->CreateTemporaryFile(PathOf("missing/"), ".tmp-", &first_path, &error));
  EXPECT_EQ(error, ENOENT);
}

TEST_F(FileSystemTest, AppendsCreatesAndReportsErrors) {
  const std::string path = PathOf("log.txt");
  EXPECT_EQ(fs_->AppendToFile(path, "one\r\n"), 0);
  EXPECT_EQ(fs_->AppendToFile(path, "two\r\n"), 0);
  EXPECT_EQ(ReadFile(path), "one\r\ntwo\r\n");
  WriteFile("plain", "x");
  EXPECT_EQ(fs_->AppendToFile(PathOf("plain/log.txt"), "x"), ENOTDIR);
  EXPECT_EQ(fs_->RemoveFile(path), 0);
  EXPECT_EQ(fs_->RemoveFile(path), ENOENT);

  // A failed look says why: a missing path from one that cannot be looked at.
  EXPECT_EQ(fs_->Stat(PathOf("missing")).error, ENOENT);
  EXPECT_EQ(fs_->LinkStatus(PathOf("plain/x")).error, ENOTDIR);
  EXPECT_EQ(fs_->Stat(PathOf(std::string(300, 'n'))).error, ENAMETOOLONG);
}

}  // namespace
}  // namespace parvolind
