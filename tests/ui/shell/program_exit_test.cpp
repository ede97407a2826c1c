#include "ui/shell/program_exit.h"

#include <gtest/gtest.h>

namespace parvolind::ui {
namespace {

using Step = ProgramExit::Step;

TEST(ProgramExitTest, TheUserQuitsAtOnceWhenIdleAndAfterTheRunDuringOne) {
  ProgramExit idle;
  EXPECT_FALSE(idle.Ending());
  EXPECT_EQ(idle.UserQuits(false), Step::kEndNow);
  EXPECT_TRUE(idle.Ending());
  EXPECT_FALSE(idle.EndsAfterRun());
  EXPECT_FALSE(idle.CloseAllowed()) << "only the session's end closes the window";
  EXPECT_TRUE(idle.UserStopEntryDue());

  ProgramExit running;
  EXPECT_EQ(running.UserQuits(true), Step::kEndAfterRun);
  EXPECT_TRUE(running.Ending());
  EXPECT_TRUE(running.EndsAfterRun());
  EXPECT_TRUE(running.UserStopEntryDue());
}

TEST(ProgramExitTest, TheSessionsEndIsLoggedOnceAndARefusalKeepsTheProgramRunning) {
  ProgramExit exit;
  exit.SessionEndRefused();
  EXPECT_FALSE(exit.Ending());
  EXPECT_FALSE(exit.CloseAllowed());
  EXPECT_FALSE(exit.ShutdownLogged());

  EXPECT_EQ(exit.SessionEnds(true), Step::kEndAfterRun);
  EXPECT_TRUE(exit.Ending());
  EXPECT_TRUE(exit.EndsAfterRun());
  EXPECT_TRUE(exit.CloseAllowed());
  EXPECT_TRUE(exit.ShutdownLogged());
  EXPECT_FALSE(exit.UserStopEntryDue()) << "no user entry after the shutdown entry";

  ProgramExit idle;
  EXPECT_EQ(idle.SessionEnds(false), Step::kEndNow);
  EXPECT_FALSE(idle.EndsAfterRun());
  EXPECT_FALSE(idle.UserStopEntryDue());
}

}  // namespace
}  // namespace parvolind::ui
