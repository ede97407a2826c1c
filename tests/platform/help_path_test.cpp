#include <gtest/gtest.h>

#include "platform/app_paths.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class HelpPathTest : public testing::TempDirTest {};

TEST_F(HelpPathTest, HelpBesideTheProgramComesBeforeTheInstalledOne) {
  // Neither there: the path beside the program, so that opening it just fails.
  EXPECT_EQ(HelpFilePathFor(PathOf("prefix/bin")), PathOf("prefix/bin/help/index.html"));
  WriteFile("prefix/share/parvolind/help/index.html", "<html></html>");
  EXPECT_EQ(HelpFilePathFor(PathOf("prefix/bin")),
            PathOf("prefix/share/parvolind/help/index.html"));
  WriteFile("prefix/bin/help/index.html", "<html></html>");
  EXPECT_EQ(HelpFilePathFor(PathOf("prefix/bin")), PathOf("prefix/bin/help/index.html"));
}

}  // namespace
}  // namespace parvolind
