#pragma once

#include <string>
#include <string_view>

namespace parvolind::reg_file_detail {

/// Converts UTF-16LE bytes (without their byte order mark) to UTF-8; false for an odd
/// number of bytes. Unpaired surrogates become U+FFFD.
bool Utf16LeToUtf8(std::string_view bytes, std::string* out);
/// Whether `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);
/// Windows-1252 text as UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);
/// A REGEDIT4 string as UTF-8: UTF-8 text stays as it is, anything else is read as
/// Windows-1252.
std::string AnsiToUtf8(std::string_view bytes);

}  // namespace parvolind::reg_file_detail
