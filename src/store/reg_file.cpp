#include "store/reg_file.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

constexpr std::string_view kCrLf = "\r\n";
// A hex line is broken after the byte that takes it to this many columns, and
// continuation lines start with two spaces, as the registry editor writes them.
constexpr size_t kHexLineColumns = 77;
constexpr std::string_view kHexContinuation = "\\\r\n  ";
constexpr size_t kMaxKeyNameLength = 255;

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

bool SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
  return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits and nothing else.
bool ParseHexNumber(std::string_view text, uint32_t* number) {
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
std::string CleanKeyPath(std::string_view path) {
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
bool IsUsableJobKey(std::string_view path) {
  const std::string_view jobs = kJobsKeyPrefix.substr(1);  // without the leading backslash
  if (!StartsWithNoCase(path, jobs)) return true;
  const std::string_view rest = path.substr(jobs.size());
  return IsUsableJobName(rest.substr(0, std::min(rest.find('\\'), rest.size())));
}

std::string FullKeyName(std::string_view path) {
  std::string full(kRegRootName);
  if (!path.empty()) {
    full += '\\';
    full.append(path);
  }
  return full;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// ---------------------------------------------------------------- export

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

// ---------------------------------------------------------------- text decoding

void AppendUtf8(std::string* out, uint32_t code_point) {
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xc0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3f)));
  } else if (code_point < 0x10000) {
    out->push_back(static_cast<char>(0xe0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3f)));
  } else {
    out->push_back(static_cast<char>(0xf0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3f)));
  }
}

// UTF-16LE bytes to UTF-8; an unpaired surrogate becomes U+FFFD. False for an
// odd number of bytes.
bool Utf16LeToUtf8(std::string_view bytes, std::string* out) {
  if (bytes.size() % 2 != 0) return false;
  out->clear();
  out->reserve(bytes.size());
  auto unit_at = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
  };
  for (size_t i = 0; i < bytes.size(); i += 2) {
    uint32_t unit = unit_at(i);
    if (unit >= 0xd800 && unit <= 0xdbff && i + 3 < bytes.size()) {
      const uint32_t low = unit_at(i + 2);
      if (low >= 0xdc00 && low <= 0xdfff) {
        AppendUtf8(out, 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00));
        i += 2;
        continue;
      }
    }
    if (unit >= 0xd800 && unit <= 0xdfff) unit = 0xfffd;
    AppendUtf8(out, unit);
  }
  return true;
}

// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t code_point = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
      length = 2;
      code_point = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
      length = 3;
      code_point = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
      length = 4;
      code_point = lead & 0x07;
    } else {
      return false;
    }
    if (bytes.size() - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xc0) != 0x80) return false;
      code_point = (code_point << 6) | (next & 0x3f);
    }
    if ((length == 3 && (code_point < 0x800 || (code_point >= 0xd800 && code_point <= 0xdfff))) ||
        (length == 4 && (code_point < 0x10000 || code_point > 0x10ffff))) {
      return false;
    }
    i += length;
  }
  return true;
}

// Windows-1252 to UTF-8. The five bytes the code page leaves undefined map to the
// control characters of the same number, as Windows converts them.
std::string Cp1252ToUtf8(std::string_view bytes) {
  static constexpr uint16_t kHighControls[32] = {
      0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
      0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    AppendUtf8(&out, byte >= 0x80 && byte < 0xa0 ? kHighControls[byte - 0x80] : byte);
  }
  return out;
}

// Text of a REGEDIT4 file without byte order mark comes from the Windows code
// page. Text that is already UTF-8 (a file written on Linux) is taken as it is:
// Windows-1252 text with any letter beyond ASCII is practically never valid UTF-8.
std::string AnsiToUtf8(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

// ---------------------------------------------------------------- parsing

// Where the text given to the parser came from.
enum class TextSource {
  kUtf8WithMark,  ///< a UTF-8 byte order mark said so
  kUnmarked,      ///< no byte order mark: UTF-8, or the Windows code page for REGEDIT4
  kUtf16,         ///< converted from UTF-16LE
};

class RegFileParser {
 public:
  RegFileParser(std::string_view text, TextSource source) : text_(text), source_(source) {}

  bool Parse(std::vector<RegFileChange>* changes, std::string* error) {
    std::string_view line;
    NextLine(&line);
    const std::string_view header = TrimRight(line);
    if (header == kRegFileHeader) {
      version5_ = true;
    } else if (header != kRegFileHeaderV4) {
      Fail("Keine Registrierungsdatei (die erste Zeile muss \"" + std::string(kRegFileHeader) +
           "\" oder \"" + std::string(kRegFileHeaderV4) + "\" lauten)");
      return SetError(error, error_);
    }
    while (NextLine(&line)) {
      const std::string_view text = TrimLeft(line);
      bool ok = true;
      if (text.empty() || text.front() == ';') continue;
      if (text.front() == '[') {
        ok = ParseKeyLine(text);
      } else if (text.front() == '"' || text.front() == '@') {
        ok = ParseValueLine(text);
      } else {
        ok = Fail("Unerwarteter Text, erwartet wird ein Schlüssel in [ ] oder ein Wert");
      }
      if (!ok) return SetError(error, error_);
    }
    *changes = std::move(changes_);
    return true;
  }

 private:
  // The next line without its end (CR LF, LF or a lone CR); false at the end of
  // the text. Lines are taken one at a time so that memory stays proportional
  // to the file whatever its shape.
  bool NextLine(std::string_view* line) {
    if (position_ > text_.size()) return false;
    ++line_number_;
    const size_t end = std::min(text_.find_first_of("\r\n", position_), text_.size());
    *line = text_.substr(position_, end - position_);
    position_ = end + 1;
    if (end < text_.size() && text_[end] == '\r' && position_ < text_.size() &&
        text_[position_] == '\n') {
      ++position_;
    }
    return true;
  }

  bool Fail(const std::string& message) {
    error_ = "Zeile " + std::to_string(line_number_) + ": " + message;
    return false;
  }

  int LineNumber() const { return static_cast<int>(line_number_); }

  bool ParseKeyLine(std::string_view text) {
    const size_t close = text.rfind(']');
    if (close == text.npos) return Fail("Die schließende Klammer ] fehlt");
    if (!TrimLeft(text.substr(close + 1)).empty()) {
      return Fail("Unerwarteter Text nach dem Schlüssel");
    }
    std::string_view inner = text.substr(1, close - 1);
    const bool remove = !inner.empty() && inner.front() == '-';
    if (remove) inner.remove_prefix(1);

    const size_t root_end = std::min(inner.find('\\'), inner.size());
    const std::string_view root = inner.substr(0, root_end);
    if (!EqualsNoCase(root, kRegRootName) && !EqualsNoCase(root, "HKCU")) {
      return Fail("Der Schlüssel liegt nicht unter " + std::string(kRegRootName));
    }
    std::string path;
    if (root_end < inner.size()) {
      std::string_view names = inner.substr(root_end + 1);
      for (;;) {
        const size_t end = std::min(names.find('\\'), names.size());
        const std::string_view name = names.substr(0, end);
        if (name.empty()) return Fail("Ungültiger Schlüsselname (leerer Name im Pfad)");
        if (name.size() > kMaxKeyNameLength) {
          return Fail("Ungültiger Schlüsselname (mehr als 255 Zeichen)");
        }
        if (!path.empty()) path += '\\';
        path.append(name);
        if (end == names.size()) break;
        names.remove_prefix(end + 1);
      }
    }
    if (remove && path.empty()) {
      return Fail(std::string(kRegRootName) + " selbst kann nicht gelöscht werden");
    }
    // A job that the store would not accept could be neither shown, run nor
    // deleted by the program; deleting such a key stays possible.
    if (!remove && !IsUsableJobKey(path)) {
      return Fail("Die Auftrags-Bezeichnung darf keine Steuerzeichen enthalten");
    }
    RegFileChange change;
    change.kind = remove ? RegFileChange::Kind::kDeleteKey : RegFileChange::Kind::kOpenKey;
    change.line = LineNumber();
    change.key_path = path;
    changes_.push_back(std::move(change));
    // Values after a deleted key have no key to go into.
    have_key_ = !remove;
    return true;
  }

  // `text` starts behind an opening quote; leaves it behind the closing one.
  static bool ParseQuoted(std::string_view* text, std::string* out) {
    out->clear();
    std::string_view rest = *text;
    while (!rest.empty()) {
      const char c = rest.front();
      rest.remove_prefix(1);
      if (c == '"') {
        *text = rest;
        return true;
      }
      if (c == '\\' && !rest.empty() && (rest.front() == '\\' || rest.front() == '"')) {
        out->push_back(rest.front());
        rest.remove_prefix(1);
        continue;
      }
      // Any other backslash is taken literally, as in a hand-written "C:\Daten".
      out->push_back(c);
    }
    return false;
  }

  bool ParseValueLine(std::string_view text) {
    if (!have_key_) return Fail("Wert ohne vorangehenden Schlüssel");
    RegFileChange change;
    change.line = LineNumber();
    if (text.front() == '@') {
      text.remove_prefix(1);
    } else {
      text.remove_prefix(1);
      if (!ParseQuoted(&text, &change.name)) {
        return Fail("Das schließende Anführungszeichen des Wertnamens fehlt");
      }
    }
    text = TrimLeft(text);
    if (text.empty() || text.front() != '=') return Fail("Das Gleichheitszeichen fehlt");
    text = TrimRight(TrimLeft(text.substr(1)));

    change.kind = RegFileChange::Kind::kSetValue;
    if (text == "-") {
      change.kind = RegFileChange::Kind::kDeleteValue;
    } else if (!text.empty() && text.front() == '"') {
      text.remove_prefix(1);
      std::string data;
      if (!ParseQuoted(&text, &data)) {
        return Fail("Das schließende Anführungszeichen des Werts fehlt");
      }
      if (!TrimLeft(text).empty()) return Fail("Unerwarteter Text nach dem Wert");
      data.push_back('\0');
      change.value = RegValue{RegType::kSz, std::move(data)};
    } else if (StartsWithNoCase(text, "dword:")) {
      uint32_t number = 0;
      if (!ParseHexNumber(text.substr(6), &number)) {
        return Fail("Ungültiger DWORD-Wert (erwartet werden 1 bis 8 Hex-Ziffern)");
      }
      std::string data(4, '\0');
      for (size_t i = 0; i < 4; ++i) data[i] = static_cast<char>((number >> (8 * i)) & 0xff);
      change.value = RegValue{RegType::kDword, std::move(data)};
    } else if (StartsWithNoCase(text, "hex")) {
      if (!ParseHexValue(text.substr(3), &change.value)) return false;
    } else {
      return Fail("Ungültiger Wert");
    }
    changes_.push_back(std::move(change));
    return true;
  }

  // `text` follows "hex": an optional "(type)", a colon and the bytes, which may
  // go on over continuation lines.
  bool ParseHexValue(std::string_view text, RegValue* value) {
    uint32_t type = static_cast<uint32_t>(RegType::kBinary);
    if (!text.empty() && text.front() == '(') {
      const size_t close = text.find(')');
      if (close == text.npos || !ParseHexNumber(text.substr(1, close - 1), &type)) {
        return Fail("Ungültiger Typ in hex(...)");
      }
      text.remove_prefix(close + 1);
    }
    if (text.empty() || text.front() != ':') return Fail("Ungültiger Wert");
    std::string data;
    if (!ParseHexBytes(text.substr(1), &data)) return false;
    value->type = static_cast<RegType>(type);
    // A Unicode export holds the bytes of its strings as UTF-16LE, as the
    // registry stores them on Windows; here strings are UTF-8.
    // An ANSI export (REGEDIT4) holds them in the Windows code page.
    const bool is_string = value->type == RegType::kSz || value->type == RegType::kExpandSz ||
                           value->type == RegType::kMultiSz;
    if (is_string && source_ == TextSource::kUtf16 && version5_) {
      std::string converted;
      if (!Utf16LeToUtf8(data, &converted)) {
        return Fail("Ungültige UTF-16-Daten (ungerade Anzahl Bytes)");
      }
      data = std::move(converted);
    } else if (is_string && source_ == TextSource::kUnmarked && !version5_) {
      data = AnsiToUtf8(data);
    }
    value->data = std::move(data);
    return true;
  }

  bool ParseHexBytes(std::string_view rest, std::string* data) {
    for (;;) {
      rest = TrimLeft(rest);
      if (rest.empty()) return true;
      if (rest.front() == '\\' && TrimRight(rest.substr(1)).empty()) {
        if (!NextLine(&rest)) return Fail("Die Fortsetzungszeile fehlt");
        continue;
      }
      const int high = HexDigit(rest.front());
      if (high < 0) return Fail("Ungültige Hex-Daten");
      int byte = high;
      rest.remove_prefix(1);
      if (!rest.empty() && HexDigit(rest.front()) >= 0) {
        byte = byte * 16 + HexDigit(rest.front());
        rest.remove_prefix(1);
      }
      data->push_back(static_cast<char>(byte));
      rest = TrimLeft(rest);
      if (rest.empty() || rest.front() == '\\') continue;
      if (rest.front() != ',') return Fail("Ungültige Hex-Daten");
      rest.remove_prefix(1);
    }
  }

  std::string_view text_;
  TextSource source_;
  size_t position_ = 0;
  size_t line_number_ = 0;
  bool version5_ = false;
  bool have_key_ = false;
  std::vector<RegFileChange> changes_;
  std::string error_;
};

// ---------------------------------------------------------------- import

// Deletes the key at `path` with everything below it, deepest keys first. Works
// without recursion so that a deep tree cannot exhaust the stack.
RegStatus DeleteKeyTree(RegistryHive& hive, const std::string& path) {
  std::vector<std::string> pending{path};
  while (!pending.empty()) {
    const std::string current = pending.back();
    KeyHandle key(hive);
    RegStatus status = hive.OpenKey(current, false, key.out());
    if (status == RegStatus::kNotFound) {
      pending.pop_back();
      continue;
    }
    if (status != RegStatus::kOk) return status;
    uint32_t sub_keys = 0;
    status = hive.QueryInfoKey(key.get(), &sub_keys, nullptr, nullptr);
    if (status != RegStatus::kOk) return status;
    if (sub_keys > 0) {
      std::string name;
      status = hive.EnumKey(key.get(), sub_keys - 1, &name);
      if (status != RegStatus::kOk) return status;
      pending.push_back(current + "\\" + name);
      continue;
    }
    key.Close();
    const size_t slash = current.rfind('\\');
    const std::string parent_path =
        slash == current.npos ? std::string() : current.substr(0, slash);
    const std::string name = slash == current.npos ? current : current.substr(slash + 1);
    KeyHandle parent(hive);
    status = hive.OpenKey(parent_path, false, parent.out());
    if (status == RegStatus::kOk) status = hive.DeleteKey(parent.get(), name);
    if (status != RegStatus::kOk && status != RegStatus::kNotFound) return status;
    pending.pop_back();
  }
  return RegStatus::kOk;
}

std::string LineError(int line, const std::string& what, RegStatus status) {
  return "Zeile " + std::to_string(line) + ": " + what + " (" + RegStatusText(status) + ")";
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

std::string RegStatusText(RegStatus status) {
  switch (status) {
    case RegStatus::kOk:
      return "erfolgreich";
    case RegStatus::kNotFound:
      return "nicht vorhanden";
    case RegStatus::kNoMoreItems:
      return "keine weiteren Einträge";
    case RegStatus::kAccessDenied:
      return "Zugriff verweigert";
    case RegStatus::kInvalidName:
      return "ungültiger Name";
    case RegStatus::kBusy:
      return "die Konfiguration wird gerade von einem anderen Programm verwendet";
    case RegStatus::kIoError:
      return "die Konfiguration kann nicht gelesen oder geschrieben werden";
  }
  return "unbekannter Fehler";
}

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

bool ParseRegFile(std::string_view bytes, std::vector<RegFileChange>* changes, std::string* error) {
  changes->clear();
  if (bytes.size() > kMaxRegFileSize) {
    return SetError(error, "Die Datei ist zu groß für eine Registrierungsdatei (mehr als " +
                               std::to_string(kMaxRegFileSize >> 20) + " MB).");
  }
  std::string decoded;
  std::string_view text = bytes;
  TextSource source = TextSource::kUnmarked;
  if (text.starts_with("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
    source = TextSource::kUtf8WithMark;
  } else if (text.starts_with("\xFF\xFE")) {
    if (!Utf16LeToUtf8(text.substr(2), &decoded)) {
      return SetError(error, "Die Datei ist keine gültige UTF-16-Datei (ungerade Anzahl Bytes).");
    }
    text = decoded;
    source = TextSource::kUtf16;
  } else if (text.starts_with("\xFE\xFF")) {
    return SetError(error, "Zeile 1: UTF-16 in Big-Endian-Byte-Reihenfolge wird nicht unterstützt");
  } else if (text.starts_with(kRegFileHeaderV4) && !IsValidUtf8(text)) {
    decoded = Cp1252ToUtf8(text);
    text = decoded;
  }
  RegFileParser parser(text, source);
  return parser.Parse(changes, error);
}

bool ImportRegFile(RegistryHive& hive, std::string_view bytes, std::string* error,
                   RegImportSummary* summary) {
  std::vector<RegFileChange> changes;
  if (!ParseRegFile(bytes, &changes, error)) return false;

  HiveTransaction transaction(hive);
  if (transaction.status() != RegStatus::kOk) {
    return SetError(error, "Die Konfiguration kann nicht geändert werden (" +
                               RegStatusText(transaction.status()) + ").");
  }
  RegImportSummary counts;
  KeyHandle key(hive);
  for (const RegFileChange& change : changes) {
    RegStatus status = RegStatus::kOk;
    switch (change.kind) {
      case RegFileChange::Kind::kOpenKey:
        status = hive.OpenKey(change.key_path, true, key.out());
        if (status != RegStatus::kOk) {
          return SetError(
              error, LineError(change.line, "Der Schlüssel kann nicht angelegt werden", status));
        }
        ++counts.keys;
        break;
      case RegFileChange::Kind::kDeleteKey:
        key.Close();
        status = DeleteKeyTree(hive, change.key_path);
        if (status != RegStatus::kOk) {
          return SetError(
              error, LineError(change.line, "Der Schlüssel kann nicht gelöscht werden", status));
        }
        ++counts.deleted_keys;
        break;
      case RegFileChange::Kind::kSetValue:
        status = hive.SetValue(key.get(), change.name, change.value);
        if (status != RegStatus::kOk) {
          return SetError(error,
                          LineError(change.line, "Der Wert kann nicht gesetzt werden", status));
        }
        ++counts.values;
        break;
      case RegFileChange::Kind::kDeleteValue:
        status = hive.DeleteValue(key.get(), change.name);
        if (status != RegStatus::kOk && status != RegStatus::kNotFound) {
          return SetError(error,
                          LineError(change.line, "Der Wert kann nicht gelöscht werden", status));
        }
        ++counts.deleted_values;
        break;
    }
  }
  key.Close();
  const RegStatus status = transaction.Commit();
  if (status != RegStatus::kOk) {
    return SetError(
        error, "Die Änderungen konnten nicht gespeichert werden (" + RegStatusText(status) + ").");
  }
  if (summary != nullptr) *summary = counts;
  return true;
}

}  // namespace parvolind
