#include "ui/ending/program_exit.h"

#include <gtest/gtest.h>

namespace parvolind::ui {
namespace {

using Step = ProgramExit::Step;

TEST(ProgramExitTest, TheUserQuitsAtOnceWhenIdleAndAfterTheRunDuringOne) {
  ProgramExit idle;
  EXPECT_FALSE(idle.Ending());
  EXPECT_FALSE(idle.CloseAllowed()) << "a close request only minimises";
  EXPECT_EQ(idle.UserQuits(false), Step::kEndNow);
  EXPECT_TRUE(idle.Ending());
  EXPECT_FALSE(idle.EndsAfterRun());
  EXPECT_TRUE(idle.CloseAllowed()) << "the ending program lets its windows close";
  EXPECT_TRUE(idle.UserStopEntryDue());

  ProgramExit running;
  EXPECT_EQ(running.UserQuits(true), Step::kEndAfterRun);
  EXPECT_TRUE(running.Ending());
  EXPECT_TRUE(running.EndsAfterRun());
  EXPECT_TRUE(running.UserStopEntryDue());
}

TEST(ProgramExitTest, AnAgreedSessionEndKeepsTheProgramWorkingUntilTheSessionReallyEnds) {
  ProgramExit exit;
  exit.SessionEndRefused();
  EXPECT_FALSE(exit.Ending());
  EXPECT_FALSE(exit.ShutdownLogged());

  // The session manager's question agreed to: logged, but nothing ends yet.
  exit.SessionEndAgreed();
  EXPECT_TRUE(exit.ShutdownLogged());
  EXPECT_FALSE(exit.Ending());
  EXPECT_FALSE(exit.CloseAllowed()) << "the logout may still be called off";
  EXPECT_FALSE(exit.UserStopEntryDue()) << "no user entry after the shutdown entry";

  // A run after that shows the logout was called off: the log is open again.
  exit.RunStarts();
  EXPECT_FALSE(exit.SessionEndIsAgreed());
  EXPECT_FALSE(exit.ShutdownLogged());
  EXPECT_TRUE(exit.UserStopEntryDue());

  exit.SessionEndAgreed();
  EXPECT_EQ(exit.SessionEnds(true), Step::kEndAfterRun);
  EXPECT_TRUE(exit.Ending());
  EXPECT_TRUE(exit.EndsAfterRun());
  EXPECT_TRUE(exit.CloseAllowed());
  exit.RunStarts();
  EXPECT_TRUE(exit.ShutdownLogged()) << "nothing reopens the log of an ending program";

  ProgramExit idle;
  EXPECT_EQ(idle.SessionEnds(false), Step::kEndNow);
  EXPECT_FALSE(idle.EndsAfterRun());
  EXPECT_FALSE(idle.UserStopEntryDue());
}

TEST(ProgramExitTest, ARequestWhileTheQuestionIsOpenWaitsForItsAnswer) {
  ProgramExit exit;
  exit.QuestionOpened();
  EXPECT_TRUE(exit.QuestionOpen());
  EXPECT_FALSE(exit.QuestionClosed()) << "no request came meanwhile";

  exit.QuestionOpened();
  exit.EndRequestedDuringQuestion();
  EXPECT_TRUE(exit.QuestionClosed());
  EXPECT_FALSE(exit.QuestionOpen());
  exit.QuestionOpened();
  EXPECT_FALSE(exit.QuestionClosed()) << "each request is taken once";
}

}  // namespace
}  // namespace parvolind::ui
