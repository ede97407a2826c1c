#include "support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <ctime>

namespace parvolind::testing {
namespace {
constexpr int kVariableCount = 4;
// XDG_DATA_HOME holds the trash.
const char* const kVariables[kVariableCount] = {"XDG_CONFIG_HOME", "XDG_STATE_HOME",
                                                "XDG_RUNTIME_DIR", "XDG_DATA_HOME"};
}

int64_t FakeClock::UtcNanoseconds() const {
  tm local{};
  local.tm_year = now_.year - 1900;
  local.tm_mon = now_.month - 1;
  local.tm_mday = now_.day;
  local.tm_hour = now_.hour;
  local.tm_min = now_.minute;
  local.tm_sec = now_.second;
  local.tm_isdst = -1;  // whichever offset the zone has at that moment
  return static_cast<int64_t>(mktime(&local)) * 1000000000 +
         static_cast<int64_t>(now_.millisecond) * 1000000;
}

void TempDirTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  for (int i = 0; i < kVariableCount; ++i) {
    if (const char* value = std::getenv(kVariables[i])) {
      had_[i] = true;
      saved_[i] = value;
    }
    const std::string sub = Dir() + "/xdg/" + std::to_string(i);
    QDir().mkpath(QString::fromStdString(sub));
    QFile::setPermissions(QString::fromStdString(sub),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv(kVariables[i], sub.c_str(), 1);
  }
}

void TempDirTest::TearDown() {
  for (int i = 0; i < kVariableCount; ++i) {
    if (had_[i]) {
      setenv(kVariables[i], saved_[i].c_str(), 1);
    } else {
      unsetenv(kVariables[i]);
    }
  }
}

std::string TempDirTest::WriteFile(const std::string& relative, const std::string& content) const {
  const QString path = QString::fromStdString(PathOf(relative));
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
  file.write(content.data(), static_cast<qint64>(content.size()));
  return path.toStdString();
}

std::unique_ptr<RegistryHive> TempDirTest::OpenTestHive() const {
  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenRegistryHive(PathOf("registry.sqlite"), &error);
  if (!hive) ADD_FAILURE() << error;
  return hive;
}

std::string TempDirTest::ReadFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = file.readAll();
  return std::string(data.constData(), static_cast<size_t>(data.size()));
}

}  // namespace parvolind::testing
