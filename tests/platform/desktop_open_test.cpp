#include "platform/desktop_open.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "support/test_environment.h"

namespace parvolind {
namespace {

// The desktop's opener is xdg-open; the test puts stand-ins for it on the PATH.
class DesktopOpenTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    static int argc = 1;
    static char name[] = "parvolind_platform_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
    saved_path_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", PathOf("bin").c_str(), 1);
  }

  void TearDown() override {
    setenv("PATH", saved_path_.c_str(), 1);
    TempDirTest::TearDown();
  }

  void FakeOpener(const std::string& script) {
    const std::string path = WriteFile("bin/xdg-open", "#!/bin/sh\n" + script + "\n");
    QFile::setPermissions(QString::fromStdString(path),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // The answer, or nothing when none came within 20 s.
  std::optional<bool> Open() {
    auto answer = std::make_shared<std::optional<bool>>();
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    OpenWithDesktop(WriteFile("help/index.html", "<p>Hilfe</p>"), [answer, &loop](bool opened) {
      EXPECT_FALSE(answer->has_value()) << "one answer";
      *answer = opened;
      loop.quit();
    });
    if (!answer->has_value()) loop.exec();
    return *answer;
  }

  std::string saved_path_;
};

TEST_F(DesktopOpenTest, ReportsWhetherTheDesktopHadAProgramForTheFile) {
  FakeOpener("echo \"$1\" > '" + PathOf("opened") + "'; exit 0");
  EXPECT_EQ(Open(), true);
  EXPECT_NE(ReadFile(PathOf("opened")).find("help/index.html"), std::string::npos);

  // "No method available for opening" and a failed opening.
  FakeOpener("exit 3");
  EXPECT_EQ(Open(), false);
  FakeOpener("exit 4");
  EXPECT_EQ(Open(), false);

  // A desktop without the opener at all.
  ASSERT_TRUE(QFile::remove(QString::fromStdString(PathOf("bin/xdg-open"))));
  EXPECT_EQ(Open(), false);
}

}  // namespace
}  // namespace parvolind
