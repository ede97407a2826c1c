#include "store/reg_file_writer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "store/reg_file_common.h"

namespace parvolind {
using namespace reg_file_detail;
namespace {

// A hex line is broken after the byte that takes it to this many columns, and
// continuation lines start with two spaces, as the registry editor writes them.
constexpr size_t kHexLineColumns = 77;
constexpr std::string_view kHexContinuation = "\\\r\n  ";

void AppendQuoted(std::string* out, std::string_view text) {
  out->push_back('"');
  for (char c : text) {
    if (c == '\\' || c == '"') out->push_back('\\');
    out->push_back(c);
  }
  out->push_back('"');
}

// A string comes back byte for byte from a quoted text only when it is
// terminated by exactly one NUL and holds no line break.
bool IsQuotableString(const RegValue& value) {
  if (value.type != RegType::kSz || value.data.empty() || value.data.back() != '\0') return false;
  const std::string_view text(value.data.data(), value.data.size() - 1);
  return text.find('\0') == text.npos && !HasLineBreak(text);
}

void AppendHexBytes(std::string* out, std::string_view data, size_t column) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    const auto byte = static_cast<unsigned char>(data[i]);
    out->push_back(kDigits[byte >> 4]);
    out->push_back(kDigits[byte & 0x0f]);
    if (i + 1 == data.size()) break;
    out->push_back(',');
    column += 3;
    if (column >= kHexLineColumns) {
      out->append(kHexContinuation);
      column = 2;
    }
  }
}

void AppendValueLine(std::string* out, std::string_view name, const RegValue& value) {
  const size_t line_start = out->size();
  if (name.empty()) {
    out->push_back('@');
  } else {
    AppendQuoted(out, name);
  }
  out->push_back('=');
  if (IsQuotableString(value)) {
    AppendQuoted(out, std::string_view(value.data.data(), value.data.size() - 1));
  } else if (value.type == RegType::kDword && value.data.size() == 4) {
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
      number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    out->append("dword:");
    for (int shift = 28; shift >= 0; shift -= 4) out->push_back(kDigits[(number >> shift) & 0xf]);
  } else {
    if (value.type == RegType::kBinary) {
      out->append("hex:");
    } else {
      static constexpr char kDigits[] = "0123456789abcdef";
      std::string number;
      auto type = static_cast<uint32_t>(value.type);
      do {
        number.insert(number.begin(), kDigits[type & 0xf]);
        type >>= 4;
      } while (type != 0);
      out->append("hex(" + number + "):");
    }
    AppendHexBytes(out, value.data, out->size() - line_start);
  }
  out->append(kCrLf);
}

// Writes one key's line and values; collects its sub-key names.
bool ExportOneKey(RegistryHive& hive, const std::string& path, std::string* out,
                  std::vector<std::string>* sub_keys, bool* missing, std::string* error) {
  *missing = false;
  KeyHandle key(hive);
  RegStatus status = hive.OpenKey(path, false, key.out());
  if (status == RegStatus::kNotFound) {
    *missing = true;
    return false;
  }
  const std::string full_name = FullKeyName(path);
  if (status != RegStatus::kOk) {
    return SetError(error, "Der Schlüssel " + full_name + " kann nicht gelesen werden (" +
                               RegStatusText(status) + ").");
  }
  out->append(kCrLf);
  out->push_back('[');
  out->append(full_name);
  out->push_back(']');
  out->append(kCrLf);

  std::string name;
  RegValue value;
  for (uint32_t index = 0;; ++index) {
    status = hive.EnumValue(key.get(), index, &name, &value);
    if (status == RegStatus::kNoMoreItems) break;
    if (status != RegStatus::kOk) {
      return SetError(error, "Die Werte des Schlüssels " + full_name +
                                 " können nicht gelesen werden (" + RegStatusText(status) + ").");
    }
    if (HasLineBreak(name)) {
      return SetError(error, "Ein Wertname im Schlüssel " + full_name +
                                 " enthält einen Zeilenumbruch und kann nicht gesichert werden.");
    }
    AppendValueLine(out, name, value);
  }

  sub_keys->clear();
  for (uint32_t index = 0;; ++index) {
    status = hive.EnumKey(key.get(), index, &name);
    if (status == RegStatus::kNoMoreItems) break;
    if (status != RegStatus::kOk) {
      return SetError(error, "Die Unterschlüssel von " + full_name +
                                 " können nicht gelesen werden (" + RegStatusText(status) + ").");
    }
    if (HasLineBreak(name)) {
      return SetError(error, "Ein Unterschlüssel von " + full_name +
                                 " enthält einen Zeilenumbruch und kann nicht gesichert werden.");
    }
    sub_keys->push_back(name);
  }
  return true;
}

// The export proper, inside the caller's read transaction.
bool ExportTree(RegistryHive& hive, const std::string& root, std::string* bytes,
                std::string* error) {
  std::string out(kRegFileHeader);
  out.append(kCrLf);
  std::vector<std::string> pending{root};
  std::vector<std::string> sub_keys;
  while (!pending.empty()) {
    const std::string path = std::move(pending.back());
    pending.pop_back();
    bool missing = false;
    if (!ExportOneKey(hive, path, &out, &sub_keys, &missing, error)) {
      if (!missing) return false;
      if (path == root) {
        return SetError(error, "Der Schlüssel " + FullKeyName(root) + " existiert nicht.");
      }
      // A sub-key deleted meanwhile by another program is simply no longer there.
      continue;
    }
    for (auto it = sub_keys.rbegin(); it != sub_keys.rend(); ++it) {
      pending.push_back(path.empty() ? *it : path + "\\" + *it);
    }
  }
  out.append(kCrLf);
  *bytes = std::move(out);
  return true;
}

}  // namespace

bool ExportRegistryKey(RegistryHive& hive, std::string_view key_path, std::string* bytes,
                       std::string* error) {
  bytes->clear();
  const std::string root = CleanKeyPath(key_path);
  if (HasLineBreak(root)) {
    return SetError(error, "Der Schlüsselname enthält einen Zeilenumbruch.");
  }
  // One transaction reads the whole tree as one consistent state even while the
  // desktop program writes. It only reads, so a store that refuses to start one
  // (read-only, say) is still exported, key by key. It always ends with a commit:
  // that changes nothing, whereas a rollback from inside a caller's own
  // transaction would throw away the caller's changes.
  HiveTransaction transaction(hive);
  const bool ok = ExportTree(hive, root, bytes, error);
  transaction.Commit();
  return ok;
}

}  // namespace parvolind
