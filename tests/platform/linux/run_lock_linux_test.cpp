#include "platform/run_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <memory>
#include <string>

#include "platform/app_paths.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

class RunLockLinuxTest : public testing::TempDirTest {};

TEST_F(RunLockLinuxTest, LockOfADeadProcessIsTakenOverAndSaysSo) {
  std::unique_ptr<RunLocks> locks = CreateRunLocks(PathOf("locks"));
  std::unique_ptr<RunLock> held;
  ASSERT_EQ(locks->TryLock("Nacht", &held), RunLockStatus::kAcquired);
  const QString path =
      QDir(QString::fromStdString(PathOf("locks")))
          .filePath(QDir(QString::fromStdString(PathOf("locks"))).entryList(QDir::Files).front());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray content = file.readAll();
  file.close();
  held.reset();

  // The same lock, as a process left it that has ended since.
  QProcess process;
  process.start("sleep", {"0.05"});
  ASSERT_TRUE(process.waitForStarted(-1));
  const QByteArray dead_pid = QByteArray::number(process.processId());
  ASSERT_TRUE(process.waitForFinished(-1));
  content = dead_pid + content.mid(content.indexOf('\n'));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(content);
  file.close();

  ASSERT_EQ(locks->TryLock("nacht", &held), RunLockStatus::kAcquired);
  EXPECT_TRUE(held->TakenOver());
}

TEST_F(RunLockLinuxTest, WithoutARuntimeFolderTheLocksStayInTheUsersOwnFolders) {
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  qunsetenv("XDG_RUNTIME_DIR");
  const std::string folder = RuntimeDirectory();
  qputenv("XDG_RUNTIME_DIR", saved);
  // The session's folder, which the desktop program sees too, or one of the user's own; never
  // a folder that others may write to, where another user could plant the locks first.
  const std::string session = "/run/user/" + std::to_string(getuid());
  EXPECT_TRUE(folder == session || folder == StateDirectory() + "/run") << folder;

  std::unique_ptr<RunLocks> locks = CreateRunLocks(PathOf("state/run/parvolind"));
  std::unique_ptr<RunLock> held;
  ASSERT_EQ(locks->TryLock("Job", &held), RunLockStatus::kAcquired);
  struct stat info {};
  ASSERT_EQ(stat(PathOf("state/run").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

}  // namespace
}  // namespace parvolind
