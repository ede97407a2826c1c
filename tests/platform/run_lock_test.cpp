#include "platform/run_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/test_environment.h"

namespace parvolind {
namespace {

class RunLockTest : public testing::TempDirTest {
 protected:
  size_t LockFileCount() {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf("locks"))) {
      count += entry.is_regular_file() ? 1 : 0;
    }
    return count;
  }
};

TEST_F(RunLockTest, OneHolderPerJobWhateverTheCaseOfItsName) {
  std::unique_ptr<RunLocks> first = CreateRunLocks(PathOf("locks"));
  std::unique_ptr<RunLocks> second = CreateRunLocks(PathOf("locks"));
  std::unique_ptr<RunLock> held;
  ASSERT_EQ(first->TryLock("Backup Daten", &held), RunLockStatus::kAcquired);
  EXPECT_FALSE(held->TakenOver());

  std::unique_ptr<RunLock> other;
  EXPECT_EQ(second->TryLock("BACKUP daten", &other), RunLockStatus::kHeldElsewhere);
  EXPECT_EQ(other, nullptr);
  // Another job, and a name that only an escape tells apart, are free.
  EXPECT_EQ(second->TryLock("Backup", &other), RunLockStatus::kAcquired);
  std::unique_ptr<RunLock> odd;
  EXPECT_EQ(second->TryLock("Backup/../Daten", &odd), RunLockStatus::kAcquired);
  EXPECT_EQ(LockFileCount(), 3u);

  held.reset();
  EXPECT_EQ(second->TryLock("backup daten", &held), RunLockStatus::kAcquired);
}

TEST_F(RunLockTest, UnusableFolderFailsInsteadOfRunningUnlocked) {
  WriteFile("not-a-folder", "x");
  std::unique_ptr<RunLocks> locks = CreateRunLocks(PathOf("not-a-folder/locks"));
  std::unique_ptr<RunLock> held;
  EXPECT_EQ(locks->TryLock("Job", &held), RunLockStatus::kFailed);
}

}  // namespace
}  // namespace parvolind
