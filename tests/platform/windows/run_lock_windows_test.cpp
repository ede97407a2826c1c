#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/run_lock.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class WindowsRunLockTest : public testing::TempDirTest {};

TEST_F(WindowsRunLockTest, AReleasedLockLeavesNoFileAndAFileLeftBehindIsTakenOver) {
  std::unique_ptr<RunLocks> locks = CreateRunLocks(PathOf("locks"));
  std::unique_ptr<RunLock> held;
  ASSERT_EQ(locks->TryLock("Nacht", &held), RunLockStatus::kAcquired);
  EXPECT_FALSE(held->TakenOver());
  std::string lock_file;
  for (const auto& entry : std::filesystem::directory_iterator(PathOf("locks"))) {
    lock_file = entry.path().filename().string();
  }
  ASSERT_FALSE(lock_file.empty());
  held.reset();
  EXPECT_TRUE(std::filesystem::is_empty(PathOf("locks")));

  // The file of a run that was killed stays; the system has closed it, so the lock is free and
  // says that it was taken over.
  WriteFile("locks/" + lock_file, "");
  ASSERT_EQ(locks->TryLock("NACHT", &held), RunLockStatus::kAcquired);
  EXPECT_TRUE(held->TakenOver());
}

}  // namespace
}  // namespace parvolind
