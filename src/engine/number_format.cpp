#include "engine/number_format.h"

#include <cmath>
#include <cstdlib>

namespace parvolind {
namespace {

std::string GroupDigits(uint64_t value, const std::string& separator) {
  std::string digits = std::to_string(value);
  std::string result;
  const size_t length = digits.size();
  for (size_t i = 0; i < length; ++i) {
    if (i > 0 && (length - i) % 3 == 0) result += separator;
    result += digits[i];
  }
  return result;
}

}  // namespace

std::string FormatInteger(int64_t value, const Locale& locale) {
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  return (value < 0 ? "-" : "") + GroupDigits(magnitude, locale.ThousandsSeparator());
}

std::string FormatTwoDecimals(double value, const Locale& locale) {
  const double hundredths = std::round(std::fabs(value) * 100.0);
  const uint64_t total = static_cast<uint64_t>(hundredths);
  const uint64_t cents = total % 100;
  std::string result = (value < 0 && total != 0) ? "-" : "";
  result += GroupDigits(total / 100, locale.ThousandsSeparator());
  result += locale.DecimalSeparator();
  result += static_cast<char>('0' + cents / 10);
  result += static_cast<char>('0' + cents % 10);
  return result;
}

}  // namespace parvolind
