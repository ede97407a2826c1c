#include "platform/windows/registry_value_windows.h"

#include <cstring>

#include "platform/windows/win_text.h"

namespace parvolind::windows {

RegStatus StatusOf(LSTATUS code) {
  switch (code) {
    case ERROR_SUCCESS:
      return RegStatus::kOk;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_KEY_DELETED:
      return RegStatus::kNotFound;
    case ERROR_NO_MORE_ITEMS:
      return RegStatus::kNoMoreItems;
    case ERROR_ACCESS_DENIED:
    case ERROR_CHILD_MUST_BE_VOLATILE:
      return RegStatus::kAccessDenied;
    case ERROR_INVALID_PARAMETER:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
      return RegStatus::kInvalidName;
    default:
      return RegStatus::kIoError;
  }
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

RegValue ValueOf(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  RegValue value;
  value.type = static_cast<RegType>(type);
  if (IsStringType(type)) {
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    if (!wide.empty()) memcpy(wide.data(), data.data(), wide.size() * sizeof(wchar_t));
    value.data = Narrow(wide);
  } else {
    value.data.assign(reinterpret_cast<const char*>(data.data()), size);
  }
  return value;
}

std::vector<BYTE> BytesOf(const RegValue& value) {
  const auto type = static_cast<DWORD>(value.type);
  if (IsStringType(type)) {
    const std::wstring wide = Widen(value.data);
    const auto* bytes = reinterpret_cast<const BYTE*>(wide.data());
    return std::vector<BYTE>(bytes, bytes + wide.size() * sizeof(wchar_t));
  }
  const auto* bytes = reinterpret_cast<const BYTE*>(value.data.data());
  return std::vector<BYTE>(bytes, bytes + value.data.size());
}

LSTATUS QueryRaw(HKEY key, const std::wstring& name, DWORD* type, std::vector<BYTE>* data,
                 DWORD* size) {
  data->resize(256);
  for (;;) {
    *size = static_cast<DWORD>(data->size());
    const LSTATUS code = RegQueryValueExW(key, name.c_str(), nullptr, type, data->data(), size);
    if (code != ERROR_MORE_DATA) return code;
    data->resize(*size + 2);
  }
}

}  // namespace parvolind::windows
