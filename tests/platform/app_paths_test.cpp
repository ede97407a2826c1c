#include <gtest/gtest.h>

#include <QFileInfo>
#include <cstdlib>
#include <string>

#include "platform/app_paths.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class AppPathsTest : public testing::TempDirTest {};

TEST_F(AppPathsTest, HelpBesideTheProgramComesBeforeTheInstalledOne) {
  // Neither there: the path beside the program, so that opening it just fails.
  EXPECT_EQ(HelpFilePathFor(PathOf("prefix/bin")), PathOf("prefix/bin/help/index.html"));
  WriteFile("prefix/share/parvolind/help/index.html", "<html></html>");
  EXPECT_EQ(HelpFilePathFor(PathOf("prefix/bin")),
            PathOf("prefix/share/parvolind/help/index.html"));
  WriteFile("prefix/bin/help/index.html", "<html></html>");
  EXPECT_EQ(HelpFilePathFor(PathOf("prefix/bin")), PathOf("prefix/bin/help/index.html"));
}

TEST_F(AppPathsTest, AnInstalledCopyKeepsLogAndBackupInTheStateFolder) {
  const std::string state = std::string(std::getenv("XDG_STATE_HOME")) + "/parvolind";
  // A build folder (bin/ without share/parvolind/) and a folder of its own keep them beside.
  WriteFile("prefix/bin/parvolind-cli", "");
  WriteFile("tool/programm/parvolind-cli", "");
  WriteFile("tool/share/parvolind/help/index.html", "");
  EXPECT_EQ(FileBesideExecutableFor(PathOf("prefix/bin"), "parvolind.log"),
            PathOf("prefix/bin/parvolind.log"));
  EXPECT_EQ(FileBesideExecutableFor(PathOf("tool/programm"), "parvolind.reg"),
            PathOf("tool/programm/parvolind.reg"));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(state)));

  // Installed: bin/ with share/parvolind/ beside it, although bin/ is writable.
  WriteFile("prefix/share/parvolind/help/index.html", "");
  EXPECT_EQ(FileBesideExecutableFor(PathOf("prefix/bin"), "parvolind.log"),
            state + "/parvolind.log");
  EXPECT_EQ(FileBesideExecutableFor(PathOf("prefix/bin/"), "parvolind.reg"),
            state + "/parvolind.reg");
  EXPECT_TRUE(QFileInfo(QString::fromStdString(state)).isDir());
}

}  // namespace
}  // namespace parvolind
