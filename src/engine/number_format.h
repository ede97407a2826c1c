#pragma once

#include <cstdint>
#include <string>

#include "platform/locale.h"

namespace parvolind {

/// A whole number with the locale's thousands separator ("1.234" in German).
std::string FormatInteger(int64_t value, const Locale& locale);

/// A number with exactly two decimals, the locale's thousands and decimal
/// separators ("0,07", "1.250,00" in German). Rounds half away from zero.
std::string FormatTwoDecimals(double value, const Locale& locale);

}  // namespace parvolind
