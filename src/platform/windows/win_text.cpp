#include "platform/windows/win_text.h"

#include <windows.h>

#include <cerrno>
#include <vector>

namespace parvolind::windows {

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

std::wstring LongPath(std::string_view path) {
  std::wstring wide = Widen(path);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  if (wide.starts_with(L"\\\\?\\")) return wide;  // already in that form, taken literally
  if (wide.empty()) return wide;
  // GetFullPathNameW resolves "." and ".." and the current folder, also beyond 260 characters;
  // the prefixed form then reaches the file system without any further parsing.
  std::vector<wchar_t> buffer(wide.size() + MAX_PATH + 1);
  DWORD length =
      GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  }
  if (length == 0 || length >= buffer.size()) return wide;
  std::wstring full(buffer.data(), length);
  if (full.starts_with(L"\\\\.\\")) return full;  // a device
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string ShortForm(std::wstring_view long_path) {
  if (long_path.starts_with(L"\\\\?\\UNC\\")) {
    return "\\\\" + Narrow(long_path.substr(8));
  }
  if (long_path.starts_with(L"\\\\?\\")) return Narrow(long_path.substr(4));
  return Narrow(long_path);
}

int ErrnoOf(unsigned long windows_error) {
  switch (windows_error) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
      return ENOENT;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANNOT_MAKE:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return ENOSYS;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_FILE_TOO_LARGE:
      return EFBIG;
    default:
      return EIO;
  }
}

namespace {

// Whether a folder on the way to `path` exists as a file, so that the path can name nothing.
bool PassesThroughAFile(const std::wstring& long_path) {
  std::wstring folder = long_path;
  for (size_t end = folder.rfind(L'\\'); end != std::wstring::npos && end > 7;
       end = folder.rfind(L'\\')) {
    folder.resize(end);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  return false;
}

bool HasOverlongName(const std::wstring& long_path) {
  constexpr size_t kLongestName = 255;
  size_t start = 0;
  for (size_t end = long_path.find(L'\\'); start <= long_path.size();
       start = end + 1, end = long_path.find(L'\\', start)) {
    if (end == std::wstring::npos) end = long_path.size();
    if (end - start > kLongestName) return true;
    if (end == long_path.size()) break;
  }
  return false;
}

}  // namespace

int PathErrnoOf(unsigned long windows_error, std::string_view path) {
  if (windows_error == ERROR_FILE_NOT_FOUND || windows_error == ERROR_PATH_NOT_FOUND ||
      windows_error == ERROR_INVALID_NAME) {
    const std::wstring long_path = LongPath(path);
    if (HasOverlongName(long_path)) return ENAMETOOLONG;
    if (windows_error == ERROR_PATH_NOT_FOUND && PassesThroughAFile(long_path)) return ENOTDIR;
  }
  return ErrnoOf(windows_error);
}

}  // namespace parvolind::windows
