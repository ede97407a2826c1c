#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cstdlib>

#include "platform/app_paths.h"
#include "platform/linux/private_folder_linux.h"

namespace parvolind {
namespace {

std::string XdgDirectory(const char* variable, const char* fallback_below_home) {
  const char* value = std::getenv(variable);
  // The XDG rules ignore relative paths.
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/" + fallback_below_home;
}

}  // namespace

std::string ExecutablePath() {
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return {};
  return std::string(buffer, static_cast<size_t>(length));
}

std::string StateDirectory() {
  return XdgDirectory("XDG_STATE_HOME", ".local/state") + "/parvolind";
}

std::string ConfigDirectory() { return XdgDirectory("XDG_CONFIG_HOME", ".config") + "/parvolind"; }

std::string RuntimeDirectory() {
  const char* value = std::getenv("XDG_RUNTIME_DIR");
  if (value != nullptr && value[0] == '/') return value;
  // Without the variable (cron, su) the session's folder is still the one the desktop program
  // uses. Never a shared folder such as /tmp: another user could create the lock folder there
  // first, and a run from cron would not see the desktop program's locks.
  const std::string session = "/run/user/" + std::to_string(getuid());
  struct stat info {};
  if (stat(session.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
      (info.st_mode & 077) == 0) {
    return session;
  }
  return StateDirectory() + "/run";
}

std::string RemovableMediaDirectory() {
  // udisks mounts removable media below /media/<login name>/.
  std::string user;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr) {
    user = entry->pw_name;
  } else if (const char* name = std::getenv("USER"); name != nullptr) {
    user = name;
  }
  return user.empty() ? std::string("/media/") : "/media/" + user + "/";
}

std::string FileBesideExecutableFor(const std::string& executable_folder,
                                    const std::string& file_name) {
  const QString folder = QDir::cleanPath(QString::fromStdString(executable_folder));
  // An installed copy shares bin/ with other programs (~/.local/bin is writable),
  // so its log and backup belong to the user's state folder, not beside it.
  const bool installed = QFileInfo(folder).fileName() == QStringLiteral("bin") &&
                         QFileInfo(folder + QStringLiteral("/../share/parvolind")).isDir();
  if (!installed && !folder.isEmpty() && access(folder.toLocal8Bit().constData(), W_OK) == 0) {
    return folder.toStdString() + "/" + file_name;
  }
  const std::string state = StateDirectory();
  CreatePrivateFolderPath(state);
  return state + "/" + file_name;
}

std::string FileBesideExecutable(const std::string& file_name) {
  return FileBesideExecutableFor(
      QFileInfo(QString::fromStdString(ExecutablePath())).absolutePath().toStdString(), file_name);
}

std::string HelpFilePathFor(const std::string& executable_folder) {
  const QString folder = QString::fromStdString(executable_folder);
  const QString beside = QDir::cleanPath(folder + QStringLiteral("/help/index.html"));
  if (QFileInfo::exists(beside)) return beside.toStdString();
  const QString installed =
      QDir::cleanPath(folder + QStringLiteral("/../share/parvolind/help/index.html"));
  if (QFileInfo::exists(installed)) return installed.toStdString();
  return beside.toStdString();
}

std::string HelpFilePath() {
  return HelpFilePathFor(
      QFileInfo(QString::fromStdString(ExecutablePath())).absolutePath().toStdString());
}

}  // namespace parvolind
