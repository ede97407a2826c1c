#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace parvolind::ui {

/// A UTF-8 byte string (a path, a job name) for display. Bytes that are not valid UTF-8
/// show as replacement characters; the string itself is never re-encoded.
inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// The UTF-8 bytes of a displayed text.
inline std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace parvolind::ui
