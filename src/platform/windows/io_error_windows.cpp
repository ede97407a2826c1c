#include <cerrno>

#include "platform/io_error.h"

namespace parvolind {

// The codes are those the Windows file system reports, turned errno-like by the platform layer.
std::string IoErrorText(int error_number) {
  switch (error_number) {
    case ENOENT:
      return "Datei nicht gefunden";
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      return "Ungültiger Dateiname";
    case EMFILE:
    case ENFILE:
      return "Zu viele geöffnete Dateien";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return "Dateizugriff verweigert";
    case EBUSY:
      return "Die Datei wird von einem anderen Prozess verwendet";
    case ENOSPC:
      return "Zu wenig Speicherplatz";
    case EFBIG:
      return "Die Datei ist zu groß";
    default:
      return "E/A-Fehler " + std::to_string(error_number);
  }
}

}  // namespace parvolind
