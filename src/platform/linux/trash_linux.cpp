#include "platform/linux/trash_linux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QStorageInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace parvolind::linux_trash {
namespace {

// Trash names leave room for a number and ".trashinfo" within the 255 bytes of a name.
constexpr size_t kLongestTrashName = 200;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DataHome() {
  const char* value = std::getenv("XDG_DATA_HOME");
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/share";
}

// The device of the nearest existing folder of `path`.
bool DeviceOf(std::string path, dev_t* device) {
  struct stat info {};
  while (stat(path.c_str(), &info) != 0) {
    if (path == "/" || path.empty()) return false;
    path = FolderOf(path);
  }
  *device = info.st_dev;
  return true;
}

// Creates a folder unless it exists; it must then be a real folder, not a link to one.
bool EnsureFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool EnsureFolderPath(const std::string& path) {
  size_t position = 1;
  while (position <= path.size()) {
    size_t slash = path.find('/', position);
    if (slash == std::string::npos) slash = path.size();
    const std::string partial = path.substr(0, slash);
    if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    position = slash + 1;
  }
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The trash folder (holding files/ and info/) for a file on `device` whose file system is mounted
// at the mount point of `folder`, created as needed; empty when there is none to be had. `top`
// gets the top folder that the info file's path is relative to; empty for the home trash, whose
// info files give absolute paths.
std::string TrashFolderFor(const std::string& folder, dev_t device, std::string* top_folder,
                           int* error) {
  top_folder->clear();
  const std::string data_home = DataHome();
  dev_t home_device = 0;
  if (DeviceOf(data_home, &home_device) && home_device == device) {
    const std::string trash = data_home + "/Trash";
    if (EnsureFolderPath(trash + "/files") && EnsureFolder(trash + "/info")) return trash;
    *error = errno != 0 ? errno : EACCES;
    return {};
  }
  std::string top = MountPointOf(folder);
  if (top.empty()) {
    *error = ENOENT;
    return {};
  }
  if (top.back() == '/') top.pop_back();
  const std::string uid = std::to_string(getuid());
  // An administrator's shared .Trash counts only when it is a sticky folder and no link.
  std::string candidates[2];
  struct stat shared {};
  if (lstat((top + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
      (shared.st_mode & S_ISVTX) != 0) {
    candidates[0] = top + "/.Trash/" + uid;
  }
  candidates[1] = top + "/.Trash-" + uid;
  for (const std::string& trash : candidates) {
    if (trash.empty()) continue;
    if (!EnsureFolder(trash) || !EnsureFolder(trash + "/files") || !EnsureFolder(trash + "/info")) {
      continue;
    }
    // A rename reaches only folders of the same file system.
    struct stat info {};
    if (stat((trash + "/files").c_str(), &info) != 0 || info.st_dev != device) continue;
    *top_folder = top;
    return trash;
  }
  *error = errno != 0 ? errno : EACCES;
  return {};
}

// The path as the trash's info file writes it: every byte outside the plain URL characters
// as %XX.
std::string Escaped(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      text.push_back(c);
    } else {
      text.push_back('%');
      text.push_back(kHex[byte >> 4]);
      text.push_back(kHex[byte & 15]);
    }
  }
  return text;
}

std::string DeletionDate() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char text[80];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t count = write(fd, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    done += static_cast<size_t>(count);
  }
  return true;
}

}  // namespace

std::string MountPointOf(const std::string& path) {
  const QStorageInfo storage(QFile::decodeName(QByteArray::fromStdString(path)));
  if (!storage.isValid()) return {};
  return QFile::encodeName(storage.rootPath()).toStdString();
}

int PutInTrash(const std::string& path, bool keep_in_place, TrashEntry* entry) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  // The info file names the file by its real folder, so that a restore finds its way back
  // whatever link the run reached it through.
  std::string folder = FolderOf(path);
  if (char* real = realpath(folder.c_str(), nullptr)) {
    folder = real;
    free(real);
  }
  const std::string name = NameOf(path);
  const std::string original = folder == "/" ? "/" + name : folder + "/" + name;

  int error = 0;
  std::string top;
  errno = 0;
  const std::string trash = TrashFolderFor(folder, info.st_dev, &top, &error);
  if (trash.empty()) return error;
  std::string shown = original;
  // On a stick the path is kept relative to its top folder, so that a restore works wherever the
  // stick is mounted next time.
  const std::string prefix = top + "/";
  if (!top.empty() && original.compare(0, prefix.size(), prefix) == 0) {
    shown = original.substr(prefix.size());
  }
  const std::string contents =
      "[Trash Info]\nPath=" + Escaped(shown) + "\nDeletionDate=" + DeletionDate() + "\n";

  const std::string base =
      name.size() > kLongestTrashName ? name.substr(0, kLongestTrashName) : name;
  for (int number = 1; number < 10000; ++number) {
    const std::string trash_name = number == 1 ? base : base + "." + std::to_string(number);
    const std::string info_path = trash + "/info/" + trash_name + ".trashinfo";
    const std::string file_path = trash + "/files/" + trash_name;
    // Creating the info file exclusively reserves the name, also against another program
    // trashing at the same moment.
    const int fd = open(info_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    const bool written = WriteAll(fd, contents);
    const bool closed = close(fd) == 0;
    struct stat taken {};
    if (!written || !closed || lstat(file_path.c_str(), &taken) == 0) {
      const int code = written && closed ? EEXIST : (errno != 0 ? errno : EIO);
      unlink(info_path.c_str());
      if (code == EEXIST) continue;  // a file without its info file holds the name
      return code;
    }
    bool moved = false;
    int result = -1;
    if (keep_in_place) result = link(path.c_str(), file_path.c_str());
    if (result != 0) {
      // No links here (FAT, exFAT): the file moves, and the caller's rename follows at once.
      moved = true;
      result = rename(path.c_str(), file_path.c_str());
    }
    if (result != 0) {
      const int code = errno;
      unlink(info_path.c_str());
      return code;
    }
    if (entry != nullptr) *entry = TrashEntry{original, file_path, info_path, moved};
    return 0;
  }
  return EEXIST;
}

int TakeOutOfTrash(const TrashEntry& entry) {
  if (entry.moved) {
    struct stat info {};
    // Nothing is put back over a file that took the place meanwhile; the old one stays in the
    // trash, which is no loss.
    if (lstat(entry.original.c_str(), &info) == 0) return EEXIST;
    if (rename(entry.file.c_str(), entry.original.c_str()) != 0) return errno;
  } else if (unlink(entry.file.c_str()) != 0) {
    return errno;
  }
  unlink(entry.info.c_str());
  return 0;
}

}  // namespace parvolind::linux_trash
