#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <string>

#include "support/cli_process.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

// The desktop program as a process: one instance per user, and the end of the
// session (SIGTERM) logged as such. Runs offscreen, where there is no tray.
class AppProcessTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    const std::string cli = testing::CliUnderTest();
    ASSERT_FALSE(cli.empty());
    // A copy of the program in the temporary folder logs beside itself, there.
    const QString built = QFileInfo(QString::fromStdString(cli)).dir().filePath("parvolind");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PathOf("bin"))));
    app_ = PathOf("bin/parvolind");
    ASSERT_TRUE(QFile::copy(built, QString::fromStdString(app_)));
  }

  void Start(QProcess& process) {
    testing::StartCli(process, app_, {}, {{"QT_QPA_PLATFORM", "offscreen"}});
    ASSERT_TRUE(process.waitForStarted());
  }

  std::string Log() const { return ReadFile(PathOf("bin/parvolind.log")); }

  // Waits (processing nothing) until the log holds `text`; false after 30 s.
  bool WaitForLog(const std::string& text) const {
    QElapsedTimer waited;
    waited.start();
    while (Log().find(text) == std::string::npos) {
      if (waited.elapsed() > 30000) return false;
      QThread::msleep(50);
    }
    return true;
  }

  std::string app_;
};

TEST_F(AppProcessTest, ASecondStartEndsAtOnceAndTheSessionEndIsLogged) {
  QProcess first;
  Start(first);
  ASSERT_TRUE(WaitForLog("Parvolind gestartet"));
  const std::string before = Log();

  QProcess second;
  Start(second);
  ASSERT_TRUE(second.waitForFinished(30000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(Log(), before) << "a second instance writes nothing";

  ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
  ASSERT_TRUE(first.waitForFinished(30000));
  EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
  const std::string log = Log();
  EXPECT_NE(log.find("System-ShutDown"), std::string::npos) << log;
  EXPECT_EQ(log.find("Terminierung durch Anwender"), std::string::npos) << log;
}

}  // namespace
}  // namespace parvolind
