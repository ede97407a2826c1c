#include <windows.h>

#include <string>

#include "platform/atomic_file.h"
#include "platform/io_error.h"
#include "platform/windows/win_text.h"

namespace parvolind {
namespace {

using windows::LongPath;
using windows::PathErrnoOf;

bool Fail(std::string* error, const std::string& path, DWORD code) {
  if (error != nullptr) *error = path + ": " + IoErrorText(PathErrnoOf(code, path));
  return false;
}

bool Refuse(std::string* error, const std::string& path, const char* kind) {
  if (error != nullptr) *error = path + ": Keine gewöhnliche Datei, sondern " + kind;
  return false;
}

// What a path other than an ordinary file is, or null for a file (or nothing at all).
const char* KindOf(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "ein Verzeichnis";
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return "ein Gerät";
  return nullptr;
}

bool IsDevicePath(const std::string& path) {
  return path.starts_with("\\\\.\\") || path.starts_with("//./");
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  if (IsDevicePath(path)) return Refuse(error, path, "ein Gerät");
  const std::wstring target = LongPath(path);
  if (const char* kind = KindOf(target)) return Refuse(error, path, kind);
  const size_t separator = target.rfind(L'\\');
  const std::wstring folder = target.substr(0, separator + 1);
  const std::wstring base = target.substr(separator + 1);
  std::wstring temporary;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = folder + L"." + base + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(attempt);
    handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
      return Fail(error, path, GetLastError());
    }
  }
  if (handle == INVALID_HANDLE_VALUE) return Fail(error, path, ERROR_FILE_EXISTS);
  size_t done = 0;
  DWORD code = ERROR_SUCCESS;
  while (done < bytes.size() && code == ERROR_SUCCESS) {
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data() + done, wanted, &written, nullptr) || written == 0) {
      code = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_DISK_FULL;
    }
    done += written;
  }
  // The whole new content is on the disk before the name moves over to it.
  if (code == ERROR_SUCCESS && !FlushFileBuffers(handle)) code = GetLastError();
  if (!CloseHandle(handle) && code == ERROR_SUCCESS) code = GetLastError();
  if (code == ERROR_SUCCESS && !MoveFileExW(temporary.c_str(), target.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    code = GetLastError();
  }
  if (code != ERROR_SUCCESS) {
    DeleteFileW(temporary.c_str());
    return Fail(error, path, code);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error,
                   size_t max_bytes) {
  bytes->clear();
  if (IsDevicePath(path)) return Refuse(error, path, "ein Gerät");
  const std::wstring wide = LongPath(path);
  if (const char* kind = KindOf(wide)) return Refuse(error, path, kind);
  HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Fail(error, path, GetLastError());
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return Refuse(error, path, "keine gewöhnliche Datei");
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) {
    const DWORD code = GetLastError();
    CloseHandle(handle);
    return Fail(error, path, code);
  }
  if (static_cast<uint64_t>(size.QuadPart) > max_bytes) {
    CloseHandle(handle);
    if (error != nullptr) *error = path + ": Die Datei ist zu groß";
    return false;
  }
  std::string content;
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle, buffer, sizeof(buffer), &got, nullptr)) {
      const DWORD code = GetLastError();
      CloseHandle(handle);
      return Fail(error, path, code);
    }
    if (got == 0) break;
    content.append(buffer, got);
    if (content.size() > max_bytes) {
      CloseHandle(handle);
      if (error != nullptr) *error = path + ": Die Datei ist zu groß";
      return false;
    }
  }
  CloseHandle(handle);
  *bytes = std::move(content);
  return true;
}

}  // namespace parvolind
