#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <memory>
#include <string>

#include "platform/app_paths.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

void EnsureCoreApplication() {
  static int argc = 1;
  static char name[] = "parvolind_platform_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

// Lets the event loop deliver what is pending, a bounded number of rounds.
void SpinUntil(const bool& done) {
  for (int round = 0; round < 200 && !done; ++round) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

class InstanceLockTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    EnsureCoreApplication();
  }
};

TEST_F(InstanceLockTest, SecondInstanceAsksTheFirstToShowItself) {
  auto first = std::make_unique<InstanceLock>();
  int show_requests = 0;
  bool shown = false;
  first->SetShowRequestHandler([&] {
    ++show_requests;
    shown = true;
  });
  ASSERT_EQ(first->TryAcquire(), InstanceRole::kFirst);
  EXPECT_EQ(first->TryAcquire(), InstanceRole::kFirst);
  EXPECT_FALSE(first->RequestShowFirst());
  EXPECT_TRUE(
      QFile::exists(QString::fromStdString(RuntimeDirectory() + "/parvolind/instance.lock")));

  // However long the first instance has been running, its lock holds.
  QFile lock_file(QString::fromStdString(RuntimeDirectory() + "/parvolind/instance.lock"));
  ASSERT_TRUE(lock_file.open(QIODevice::ReadWrite));
  lock_file.setFileTime(QDateTime::currentDateTime().addDays(-1),
                        QFileDevice::FileModificationTime);
  lock_file.close();
  InstanceLock second;
  ASSERT_EQ(second.TryAcquire(), InstanceRole::kSecond);
  ASSERT_TRUE(second.RequestShowFirst());
  SpinUntil(shown);
  // Once per request, and a stray message on the socket shows nothing.
  QLocalSocket stray;
  stray.connectToServer(QString::fromStdString(RuntimeDirectory() + "/parvolind/instance.socket"));
  ASSERT_TRUE(stray.waitForConnected(2000));
  stray.write("hello");
  ASSERT_TRUE(stray.waitForBytesWritten(2000));
  bool never = false;
  for (int round = 0; round < 10; ++round) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    never = stray.state() == QLocalSocket::UnconnectedState;
  }
  SpinUntil(never);
  EXPECT_EQ(show_requests, 1);

  first.reset();
  // Once the first instance has ended, the next one is first and listens itself.
  InstanceLock third;
  EXPECT_EQ(third.TryAcquire(), InstanceRole::kFirst);
  InstanceLock fourth;
  EXPECT_EQ(fourth.TryAcquire(), InstanceRole::kSecond);
  EXPECT_TRUE(fourth.RequestShowFirst());
}

TEST_F(InstanceLockTest, LeftoversOfAKilledInstanceAreTakenOver) {
  const std::string folder = PathOf("lock");
  std::string content;
  {
    InstanceLock earlier(folder);
    ASSERT_EQ(earlier.TryAcquire(), InstanceRole::kFirst);
    content = ReadFile(folder + "/instance.lock");
  }
  // The lock as a process left it that has ended since, and its socket file.
  QProcess process;
  process.start("sleep", {"0.05"});
  ASSERT_TRUE(process.waitForStarted(-1));
  const std::string dead_pid = std::to_string(process.processId());
  ASSERT_TRUE(process.waitForFinished(-1));
  WriteFile("lock/instance.lock", dead_pid + content.substr(content.find('\n')));
  WriteFile("lock/instance.socket", "");

  InstanceLock next(folder);
  bool shown = false;
  next.SetShowRequestHandler([&] { shown = true; });
  ASSERT_EQ(next.TryAcquire(), InstanceRole::kFirst);
  InstanceLock later(folder);
  ASSERT_EQ(later.TryAcquire(), InstanceRole::kSecond);
  ASSERT_TRUE(later.RequestShowFirst());
  SpinUntil(shown);
  EXPECT_TRUE(shown);

  // A folder that cannot be made leaves the program running as the first instance.
  WriteFile("not-a-folder", "x");
  InstanceLock unusable(PathOf("not-a-folder/lock"));
  EXPECT_EQ(unusable.TryAcquire(), InstanceRole::kFirst);
}

}  // namespace
}  // namespace parvolind
