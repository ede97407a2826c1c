#include <QCollator>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include "platform/locale.h"

namespace parvolind {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

class QtLocale : public Locale {
 public:
  explicit QtLocale(const QLocale& locale) : locale_(locale), collator_(locale) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(false);
    // The locale's short date, with the year always written with four digits.
    QString format = locale_.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) {
      format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    }
    date_format_ = format;
  }

  std::string LongMonthName(int month) const override {
    return ToUtf8(locale_.standaloneMonthName(month, QLocale::LongFormat));
  }

  std::string LongDayName(int day_of_week) const override {
    // Qt counts Monday = 1 to Sunday = 7; the program counts Sunday = 1.
    const int qt_day = day_of_week == 1 ? 7 : day_of_week - 1;
    return ToUtf8(locale_.standaloneDayName(qt_day, QLocale::LongFormat));
  }

  std::string FormatShortDate(const LocalTime& time) const override {
    return ToUtf8(locale_.toString(QDate(time.year, time.month, time.day), date_format_));
  }

  std::string FormatLongTime(const LocalTime& time) const override {
    // The long format carries a time zone in many locales; a log line wants
    // hours, minutes and seconds only, in the locale's own order and separator.
    QString format = locale_.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    format = format.trimmed();
    return ToUtf8(locale_.toString(QTime(time.hour, time.minute, time.second), format));
  }

  std::string ThousandsSeparator() const override { return ToUtf8(locale_.groupSeparator()); }
  std::string DecimalSeparator() const override { return ToUtf8(locale_.decimalPoint()); }

  int CompareNames(std::string_view a, std::string_view b) const override {
    const int result = collator_.compare(FromUtf8(a), FromUtf8(b));
    if (result != 0) return result;
    // Names equal to the collator still get a stable order.
    return a.compare(b);
  }

 private:
  QLocale locale_;
  QCollator collator_;
  QString date_format_;
};

}  // namespace

std::unique_ptr<Locale> CreateSystemLocale() {
  // A machine without any locale set (LANG unset, C or POSIX) would give Qt's C
  // formats ("8 Dec 2026") among the program's German texts; such a machine gets
  // German formats, names and separators. Any real locale is used as it is.
  const QLocale system = QLocale::system();
  if (system.language() == QLocale::C) return CreateLocale("de_DE");
  return std::make_unique<QtLocale>(system);
}

std::unique_ptr<Locale> CreateLocale(const std::string& name) {
  return std::make_unique<QtLocale>(QLocale(QString::fromStdString(name)));
}

}  // namespace parvolind
