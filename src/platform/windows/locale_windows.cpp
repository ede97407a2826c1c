#include <windows.h>

#include <string>

#include "platform/locale.h"
#include "platform/windows/win_text.h"

namespace parvolind {
namespace {

using windows::Narrow;
using windows::Widen;

class WindowsLocale : public Locale {
 public:
  // `name` is a locale name such as "de-DE"; empty for the user's own settings.
  explicit WindowsLocale(std::wstring name) : name_(std::move(name)) {
    // The locale's short date, with the year always written with four digits.
    date_format_ = Info(LOCALE_SSHORTDATE);
    if (date_format_.find(L"yyyy") == std::wstring::npos) {
      const size_t year = date_format_.find(L"yy");
      if (year != std::wstring::npos) date_format_.replace(year, 2, L"yyyy");
    }
  }

  std::string LongMonthName(int month) const override {
    if (month < 1 || month > 12) return {};
    return Narrow(Info(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + month - 1)));
  }

  std::string LongDayName(int day_of_week) const override {
    if (day_of_week < 1 || day_of_week > 7) return {};
    // Windows counts Monday = LOCALE_SDAYNAME1 to Sunday = LOCALE_SDAYNAME7; the program counts
    // Sunday = 1.
    const int index = day_of_week == 1 ? 6 : day_of_week - 2;
    return Narrow(Info(static_cast<LCTYPE>(LOCALE_SDAYNAME1 + index)));
  }

  std::string FormatShortDate(const LocalTime& time) const override {
    SYSTEMTIME date{};
    date.wYear = static_cast<WORD>(time.year);
    date.wMonth = static_cast<WORD>(time.month);
    date.wDay = static_cast<WORD>(time.day);
    wchar_t buffer[128];
    const int length =
        GetDateFormatEx(Name(), 0, &date, date_format_.c_str(), buffer, 128, nullptr);
    return length > 0 ? Narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)))
                      : std::string();
  }

  std::string FormatLongTime(const LocalTime& time) const override {
    SYSTEMTIME moment{};
    moment.wYear = 2000;
    moment.wMonth = 1;
    moment.wDay = 1;
    moment.wHour = static_cast<WORD>(time.hour);
    moment.wMinute = static_cast<WORD>(time.minute);
    moment.wSecond = static_cast<WORD>(time.second);
    wchar_t buffer[128];
    const int length = GetTimeFormatEx(Name(), 0, &moment, nullptr, buffer, 128);
    return length > 0 ? Narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)))
                      : std::string();
  }

  std::string ThousandsSeparator() const override { return Narrow(Info(LOCALE_STHOUSAND)); }
  std::string DecimalSeparator() const override { return Narrow(Info(LOCALE_SDECIMAL)); }

  int CompareNames(std::string_view a, std::string_view b) const override {
    const std::wstring wide_a = Widen(a);
    const std::wstring wide_b = Widen(b);
    const int result = CompareStringEx(Name(), LINGUISTIC_IGNORECASE, wide_a.data(),
                                       static_cast<int>(wide_a.size()), wide_b.data(),
                                       static_cast<int>(wide_b.size()), nullptr, nullptr, 0);
    if (result == CSTR_LESS_THAN) return -1;
    if (result == CSTR_GREATER_THAN) return 1;
    // Names equal to the comparison still get a stable order.
    return a.compare(b);
  }

 private:
  const wchar_t* Name() const { return name_.empty() ? LOCALE_NAME_USER_DEFAULT : name_.c_str(); }

  std::wstring Info(LCTYPE type) const {
    wchar_t buffer[128];
    const int length = GetLocaleInfoEx(Name(), type, buffer, 128);
    return length > 0 ? std::wstring(buffer, static_cast<size_t>(length - 1)) : std::wstring();
  }

  std::wstring name_;
  std::wstring date_format_;
};

}  // namespace

std::unique_ptr<Locale> CreateSystemLocale() { return std::make_unique<WindowsLocale>(L""); }

std::unique_ptr<Locale> CreateLocale(const std::string& name) {
  std::wstring wide = Widen(name);
  for (wchar_t& c : wide) {
    if (c == L'_') c = L'-';
  }
  return std::make_unique<WindowsLocale>(wide);
}

}  // namespace parvolind
