#pragma once

// Small pieces the registry file's reader, writer and import share.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/registry_hive.h"
#include "store/job_store.h"
#include "store/reg_file.h"
#include "store/registry_key.h"

namespace parvolind::reg_file_detail {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr size_t kMaxKeyNameLength = 255;

// Closes a hive key on every way out of a function.
class KeyHandle {
 public:
  explicit KeyHandle(RegistryHive& hive) : hive_(hive) {}
  ~KeyHandle() { Close(); }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  RegKey* out() {
    Close();
    return &key_;
  }
  RegKey get() const { return key_; }
  void Close() {
    if (key_ != 0) hive_.CloseKey(key_);
    key_ = 0;
  }

 private:
  RegistryHive& hive_;
  RegKey key_ = 0;
};

inline bool SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
  return false;
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

inline std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

inline int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits and nothing else.
inline bool ParseHexNumber(std::string_view text, uint32_t* number) {
  if (text.empty() || text.size() > 8) return false;
  uint32_t result = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    result = result * 16 + static_cast<uint32_t>(digit);
  }
  *number = result;
  return true;
}

// The key path's names without empty parts, joined by single backslashes.
inline std::string CleanKeyPath(std::string_view path) {
  std::string clean;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) {
      if (!clean.empty()) clean += '\\';
      clean.append(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return clean;
}

// False for a key path that names a job (the level below Jobs) by a name the
// job store refuses.
inline bool IsUsableJobKey(std::string_view path) {
  const std::string_view jobs = kJobsKeyPrefix.substr(1);  // without the leading backslash
  if (!StartsWithNoCase(path, jobs)) return true;
  const std::string_view rest = path.substr(jobs.size());
  return IsUsableJobName(rest.substr(0, std::min(rest.find('\\'), rest.size())));
}

inline std::string FullKeyName(std::string_view path) {
  std::string full(kRegRootName);
  if (!path.empty()) {
    full += '\\';
    full.append(path);
  }
  return full;
}

inline bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

}  // namespace parvolind::reg_file_detail
