#pragma once

// Between the registry's own forms and the program's: its status codes as RegStatus, its values
// as RegValue (strings UTF-8 inside the program, UTF-16 in the registry).

#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry_hive.h"

namespace parvolind::windows {

/// The program's status for a registry call's result.
RegStatus StatusOf(LSTATUS code);
/// Whether values of `type` hold text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ).
bool IsStringType(DWORD type);
/// The program's form of a stored value: strings as UTF-8 (their NULs kept), the rest as stored.
RegValue ValueOf(DWORD type, const std::vector<BYTE>& data, DWORD size);
/// The stored form of a value: strings as UTF-16.
std::vector<BYTE> BytesOf(const RegValue& value);
/// Reads the value `name` of `key` whole, however long it is: its type, its bytes in `data`
/// and their number in `size`. Returns the registry's status.
LSTATUS QueryRaw(HKEY key, const std::wstring& name, DWORD* type, std::vector<BYTE>* data,
                 DWORD* size);

}  // namespace parvolind::windows
