#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <functional>
#include <optional>
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

// The program under a real X server (Xvfb), with and without a tray (trayer), driven
// by the mouse through xdotool: "B&eenden" ends it every time, from either menu.
class AppUnderXTest : public AppProcessTest {
 protected:
  void SetUp() override {
    AppProcessTest::SetUp();
    for (const char* tool : {"Xvfb", "xdotool", "trayer"}) {
      if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
        GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
      }
    }
    // A display number of this test's own: the lock file tells which are taken.
    for (int number = 200 + getpid() % 300; number < 1000; ++number) {
      if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))) continue;
      display_ = QStringLiteral(":%1").arg(number);
      x_server_.start(QStringLiteral("Xvfb"), {display_, QStringLiteral("-screen"),
                                               QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
      if (!x_server_.waitForStarted()) break;
      if (WaitFor(
              [&] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)); })) {
        return;
      }
      x_server_.kill();
      x_server_.waitForFinished();
    }
    FAIL() << "no X server could be started";
  }

  void TearDown() override {
    for (QProcess* process : {&app_process_, &tray_, &x_server_}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->kill();
      process->waitForFinished();
    }
    AppProcessTest::TearDown();
  }

  static bool WaitFor(const std::function<bool()>& condition, int milliseconds = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
      if (waited.elapsed() > milliseconds) return false;
      QThread::msleep(50);
    }
    return true;
  }

  // Runs xdotool on the test's display; its standard output.
  std::string XDoTool(const QStringList& arguments) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display_);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished(10000);
    return tool.readAllStandardOutput().toStdString();
  }

  void StartTray() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display_);
    tray_.setProcessEnvironment(environment);
    tray_.start(QStringLiteral("trayer"),
                {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                 QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                 QStringLiteral("--width"), QStringLiteral("120"), QStringLiteral("--height"),
                 QStringLiteral("24")});
    ASSERT_TRUE(tray_.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return !XDoTool({"search", "--classname", "trayer"}).empty(); }));
  }

  // Starts the program and waits for its start entry.
  void StartApp() {
    testing::StartCli(app_process_, app_, {},
                      {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", display_.toStdString()}});
    ASSERT_TRUE(app_process_.waitForStarted());
    ASSERT_TRUE(WaitForLogCount("Parvolind gestartet", ++starts_));
  }

  bool WaitForLogCount(const std::string& text, int count) const {
    return WaitFor(
        [&] {
          const std::string log = Log();
          int found = 0;
          for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
            ++found;
          }
          return found >= count;
        },
        30000);
  }

  // The geometry of a window of the program: x, y, width, height.
  struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
  };
  // The program's windows whose size `wanted` accepts.
  std::optional<Geometry> AppWindow(const std::function<bool(const Geometry&)>& wanted) {
    std::optional<Geometry> result;
    WaitFor([&] {
      const QStringList ids =
          QString::fromStdString(XDoTool({"search", "--onlyvisible", "--classname", "parvolind"}))
              .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
      for (const QString& id : ids) {
        Geometry geometry;
        for (const QString& line :
             QString::fromStdString(XDoTool({"getwindowgeometry", "--shell", id})).split('\n')) {
          const QStringList pair = line.split(QLatin1Char('='));
          if (pair.size() != 2) continue;
          const int value = pair[1].toInt();
          if (pair[0] == QLatin1String("X")) geometry.x = value;
          if (pair[0] == QLatin1String("Y")) geometry.y = value;
          if (pair[0] == QLatin1String("WIDTH")) geometry.width = value;
          if (pair[0] == QLatin1String("HEIGHT")) geometry.height = value;
        }
        if (wanted(geometry)) {
          result = geometry;
          return true;
        }
      }
      return false;
    });
    return result;
  }

  void Click(int x, int y, const char* button = "1") {
    XDoTool({"mousemove", QString::number(x), QString::number(y), "click", button});
    QThread::msleep(500);
  }

  // Waits for the program to end by itself, a few seconds at most, with the user's entry.
  void ExpectEndedByTheUser(int stops) {
    EXPECT_TRUE(app_process_.waitForFinished(5000)) << "the program did not end";
    EXPECT_EQ(app_process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app_process_.exitCode(), 0);
    EXPECT_TRUE(WaitForLogCount("Terminierung durch Anwender", stops)) << Log();
  }

  // "B&eenden" from the Programm menu of the shown window.
  void QuitFromProgrammMenu() {
    const std::optional<Geometry> window =
        AppWindow([](const Geometry& g) { return g.width == 598 && g.height == 414; });
    ASSERT_TRUE(window);
    Click(window->x + 78, window->y + 44);  // the Programm menu area
    Click(window->x + 90, window->y + 86);  // its second item
  }

  QString display_;
  QProcess x_server_;
  QProcess tray_;
  QProcess app_process_;
  int starts_ = 0;
};

TEST_F(AppUnderXTest, QuittingFromEitherMenuEndsTheProgramWithOrWithoutATray) {
  // Without a tray, from the Programm menu.
  StartApp();
  QuitFromProgrammMenu();
  ExpectEndedByTheUser(1);

  // With a tray: from the Programm menu, and from the tray's menu with the window
  // hidden into the tray by the skin's close button.
  StartTray();
  StartApp();
  QuitFromProgrammMenu();
  ExpectEndedByTheUser(2);

  StartApp();
  const std::optional<Geometry> window =
      AppWindow([](const Geometry& g) { return g.width == 598 && g.height == 414; });
  ASSERT_TRUE(window);
  Click(window->x + 546, window->y + 44);  // the close button
  const std::optional<Geometry> icon =
      AppWindow([](const Geometry& g) { return g.width > 0 && g.width < 64; });
  ASSERT_TRUE(icon);
  Click(icon->x + icon->width / 2, icon->y + icon->height / 2, "3");
  XDoTool({"key", "e"});  // "B&eenden"
  ExpectEndedByTheUser(3);
}

}  // namespace
}  // namespace parvolind
