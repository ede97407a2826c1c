#include "store/reg_text_encoding.h"

#include <cstdint>

namespace parvolind::reg_file_detail {
namespace {

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

}  // namespace

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

}  // namespace parvolind::reg_file_detail
