#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/instance_lock.h"
#include "platform/session_end.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

// Delivers this thread's window messages until `done`, a bounded number of rounds.
void PumpUntil(const std::atomic<bool>& done) {
  for (int round = 0; round < 500 && !done; ++round) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (!done) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

class WindowsInstanceLockTest : public testing::TempDirTest {};

TEST_F(WindowsInstanceLockTest, SecondInstanceAsksTheFirstToShowItselfAndALockGoesWithItsOwner) {
  auto first = std::make_unique<InstanceLock>(PathOf("lock"));
  int show_requests = 0;
  first->SetShowRequestHandler([&] { ++show_requests; });
  ASSERT_EQ(first->TryAcquire(), InstanceRole::kFirst);
  EXPECT_EQ(first->TryAcquire(), InstanceRole::kFirst);
  EXPECT_FALSE(first->RequestShowFirst());  // only a second instance asks
  // A lock of another folder is another program's.
  EXPECT_EQ(InstanceLock(PathOf("other")).TryAcquire(), InstanceRole::kFirst);

  // The request comes from another thread, as from another process, and reaches the handler
  // through the first instance's message loop.
  InstanceLock second(PathOf("lock"));
  ASSERT_EQ(second.TryAcquire(), InstanceRole::kSecond);
  std::atomic<bool> delivered{false};
  std::atomic<bool> answered{false};
  std::thread asking([&] {
    delivered = second.RequestShowFirst(60000);
    answered = true;
  });
  PumpUntil(answered);
  asking.join();
  EXPECT_TRUE(delivered);
  EXPECT_EQ(show_requests, 1);

  // Once the first instance is gone, nobody answers, and the next instance is the first.
  first.reset();
  EXPECT_FALSE(second.RequestShowFirst(1000));
  EXPECT_EQ(InstanceLock(PathOf("lock")).TryAcquire(), InstanceRole::kFirst);
}

TEST(WindowsSessionEndTest, TheSystemsQuestionRunsTheCallbackAndTakesItsAnswer) {
  int calls = 0;
  SessionEndWatch watch([&] { ++calls; });
  if (!watch.Active())
    GTEST_SKIP() << "no desktop to make windows on (Wine without a display driver)";
  HWND window = FindWindowW(L"Parvolind-SessionEnd", nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_EQ(calls, 1);
  bool agree = false;
  watch.SetAnswer([&] { return agree; });
  EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), FALSE);
  agree = true;
  EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace parvolind
