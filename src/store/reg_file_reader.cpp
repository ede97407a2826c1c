#include "store/reg_file_reader.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "store/reg_file_common.h"
#include "store/reg_text_encoding.h"

namespace parvolind {
using namespace reg_file_detail;
namespace {

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

}  // namespace

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

}  // namespace parvolind
