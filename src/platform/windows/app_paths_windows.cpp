#include <windows.h>

#include <cstdlib>

#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/windows/win_text.h"

namespace parvolind {
namespace {

using windows::LongPath;
using windows::Narrow;

std::string Environment(const wchar_t* name) {
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
  if (length == 0 || length >= 32768) return {};
  return Narrow(std::wstring_view(buffer, length));
}

std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// Whether the program may create files in `folder` (a folder under Program Files may not).
bool IsWritableFolder(const std::string& folder) {
  const std::wstring probe =
      LongPath(folder + "\\.parvolind-" + std::to_string(GetCurrentProcessId()) + ".probe");
  HANDLE handle = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

std::string StateDirectory() {
  std::string base = Environment(L"LOCALAPPDATA");
  if (base.empty()) base = Environment(L"USERPROFILE") + "\\AppData\\Local";
  return base + "\\Parvolind";
}

std::string ConfigDirectory() {
  std::string base = Environment(L"APPDATA");
  if (base.empty()) base = Environment(L"USERPROFILE") + "\\AppData\\Roaming";
  return base + "\\Parvolind";
}

std::string RuntimeDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return StateDirectory();
  std::string folder = Narrow(std::wstring_view(buffer, length));
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string RemovableMediaDirectory() { return "d:\\"; }

std::string DefaultFirstDirectory() { return "c:\\"; }

std::string FileBesideExecutableFor(const std::string& executable_folder,
                                    const std::string& file_name) {
  if (!executable_folder.empty() && IsWritableFolder(executable_folder)) {
    return executable_folder + "\\" + file_name;
  }
  const std::string state = StateDirectory();
  CreateFileSystem()->CreateDirectoryPath(state);
  return state + "\\" + file_name;
}

std::string FileBesideExecutable(const std::string& file_name) {
  return FileBesideExecutableFor(FolderOf(ExecutablePath()), file_name);
}

std::string HelpFilePathFor(const std::string& executable_folder) {
  const std::string beside = executable_folder + "\\help\\index.html";
  if (Exists(beside)) return beside;
  const std::string installed =
      FolderOf(executable_folder) + "\\share\\parvolind\\help\\index.html";
  if (Exists(installed)) return installed;
  return beside;
}

std::string HelpFilePath() { return HelpFilePathFor(FolderOf(ExecutablePath())); }

}  // namespace parvolind
