#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/path_rules.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class WindowsFileSystemTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    fs_ = CreateFileSystem();
  }

  std::unique_ptr<FileSystem> fs_;
};

TEST(WindowsPathRulesTest, DrivesSharesAndLongPrefixesAreRoots) {
  EXPECT_EQ(RootLength("C:\\Daten"), 3u);
  EXPECT_EQ(RootLength("d:/"), 3u);
  EXPECT_EQ(RootLength("\\\\server\\share\\x"), 15u);
  EXPECT_EQ(RootLength("\\\\?\\C:\\x"), 7u);
  EXPECT_EQ(RootLength("\\\\?\\UNC\\server\\share\\x"), 21u);
  EXPECT_FALSE(IsAbsolutePath("C:Daten"));  // relative to the drive's current folder
  EXPECT_FALSE(IsAbsolutePath("\\Daten"));  // relative to the current drive
  EXPECT_FALSE(IsAbsolutePath("Daten\\"));
  EXPECT_FALSE(IsAbsolutePath("\\\\server"));
}

TEST_F(WindowsFileSystemTest, NamesIgnoreCaseAndEitherSlashIsASeparator) {
  const std::string path = WriteFile("Ordner/A.TXT", "inhalt");
  const FileStatus upper = fs_->Stat(path);
  const FileStatus lower = fs_->Stat(PathOf("ordner/a.txt"));
  ASSERT_TRUE(lower.exists);
  EXPECT_EQ(lower.inode, upper.inode);
  EXPECT_TRUE(fs_->Stat(Dir() + "/ORDNER/a.txt").is_regular);
  // The real path has the drive, backslashes and the names' own case.
  const std::string real = fs_->RealPath(PathOf("ordner/a.txt"));
  EXPECT_EQ(real.substr(1, 2), ":\\");
  EXPECT_EQ(real.substr(real.size() - 13), "\\Ordner\\A.TXT");
}

TEST_F(WindowsFileSystemTest, AttributesTravelInTheModeAndDoNotStopAReplacement) {
  const std::string target = WriteFile("ziel.txt", "alt");
  const uint32_t kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_EQ(fs_->SetPermissions(target, kept), 0);
  // Wine reports every file as marked for archiving, whatever was set.
  EXPECT_EQ(fs_->Stat(target).mode & ~FILE_ATTRIBUTE_ARCHIVE, kept);

  std::string temporary;
  std::unique_ptr<File> file = fs_->CreateTemporaryFile(PathOf(""), "~t", &temporary);
  ASSERT_TRUE(file);
  // Still being written, the temporary file cannot be removed by another run's clean-up.
  EXPECT_FALSE(fs_->RemoveUnlockedFile(temporary));
  ASSERT_TRUE(file->Write("neu", 3));
  ASSERT_TRUE(file->SetPermissions(kept | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(file->Close());
  ASSERT_EQ(fs_->Rename(temporary, target), 0);
  EXPECT_EQ(ReadFile(target), "neu");
  EXPECT_EQ(fs_->Stat(target).mode, kept | FILE_ATTRIBUTE_ARCHIVE);
  // A read-only file is removed like any other.
  EXPECT_EQ(fs_->RemoveFile(target), 0);
  EXPECT_FALSE(fs_->Stat(target).exists);
}

TEST_F(WindowsFileSystemTest, PathsBeyondTwoHundredSixtyCharactersWork) {
  std::string relative;
  while (relative.size() < 300) relative += "ein-recht-langer-ordnername/";
  const std::string folder = PathOf(relative);
  ASSERT_GT(folder.size(), 300u);
  ASSERT_TRUE(fs_->CreateDirectoryPath(folder));
  const std::string file = folder + "datei.txt";
  ASSERT_EQ(fs_->AppendToFile(file, "lang"), 0);
  std::unique_ptr<DirectoryStream> stream = fs_->OpenDirectory(folder);
  ASSERT_TRUE(stream);
  std::string_view name;
  EntryType type = EntryType::kUnknown;
  ASSERT_TRUE(stream->Next(name, type));
  EXPECT_EQ(name, "datei.txt");
  EXPECT_EQ(type, EntryType::kRegular);
  EXPECT_EQ(fs_->Stat(file).size, 4);
}

TEST_F(WindowsFileSystemTest, AFileHeldWithoutSharingFailsWithAGermanText) {
  const std::string path = WriteFile("gesperrt.txt", "x");
  const std::wstring wide(path.begin(), path.end());
  HANDLE holder = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  int error = 0;
  EXPECT_FALSE(fs_->OpenForReading(path, &error));
  EXPECT_EQ(error, EBUSY);
  EXPECT_EQ(IoErrorText(error), "Die Datei wird von einem anderen Prozess verwendet");
  // A look at it still works.
  EXPECT_TRUE(fs_->Stat(path).is_regular);
  CloseHandle(holder);
}

TEST_F(WindowsFileSystemTest, FileTimesKeepTheirHundredNanoseconds) {
  const std::string path = WriteFile("zeit.txt", "x");
  const int64_t moment = 1765000000LL * 1000000000 + 123456700;
  ASSERT_EQ(fs_->SetTimes(path, moment, moment), 0);
  EXPECT_EQ(fs_->Stat(path).mtime_ns, moment);
}

}  // namespace
}  // namespace parvolind
