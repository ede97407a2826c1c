#include <gtest/gtest.h>

#include <string>

#include "platform/app_paths.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class WindowsAppPathsTest : public testing::TempDirTest {};

TEST_F(WindowsAppPathsTest, WizardDefaultsAreTheDrivesAndFilesLieBesideTheProgram) {
  EXPECT_EQ(DefaultFirstDirectory(), "c:\\");
  EXPECT_EQ(RemovableMediaDirectory(), "d:\\");
  EXPECT_EQ(FileBesideExecutableFor(Dir(), "parvolind.log"), Dir() + "\\parvolind.log");
  // A folder the program cannot write to sends the file to the user's local application data.
  const std::string elsewhere = FileBesideExecutableFor(PathOf("fehlt"), "parvolind.reg");
  EXPECT_EQ(elsewhere, StateDirectory() + "\\parvolind.reg");
  EXPECT_NE(StateDirectory().find("\\Parvolind"), std::string::npos);
}

}  // namespace
}  // namespace parvolind
