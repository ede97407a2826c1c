#include "platform/session_end.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <csignal>

namespace parvolind {
namespace {

TEST(SessionEndWatchTest, TerminationSignalReachesTheCallbackInTheEventLoop) {
  static int argc = 1;
  static char name[] = "parvolind_platform_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);

  int calls = 0;
  {
    SessionEndWatch watch([&] { ++calls; });
    ASSERT_TRUE(watch.Active());
    // Two signals before the loop comes round are one session end; the handler
    // itself calls nothing.
    std::raise(SIGTERM);
    std::raise(SIGTERM);
    EXPECT_EQ(calls, 0);
    for (int round = 0; round < 200 && calls == 0; ++round) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(calls, 1);
  }
  // Without a watch the previous handling is back.
  EXPECT_EQ(std::signal(SIGTERM, SIG_DFL), SIG_DFL);
}

}  // namespace
}  // namespace parvolind
