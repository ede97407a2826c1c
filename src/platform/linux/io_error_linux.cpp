#include <cerrno>

#include "platform/io_error.h"

namespace parvolind {

std::string IoErrorText(int error_number) {
  switch (error_number) {
    case ENOENT:
      return "Datei nicht gefunden";
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
      return "Ungültiger Dateiname";
    case EMFILE:
    case ENFILE:
      return "Zu viele geöffnete Dateien";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return "Dateizugriff verweigert";
    case ENOSPC:
    case EDQUOT:
      return "Zu wenig Speicherplatz";
    case EFBIG:
      return "Die Datei ist zu groß";
    default:
      return "E/A-Fehler " + std::to_string(error_number);
  }
}

}  // namespace parvolind
