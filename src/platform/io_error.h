#pragma once

#include <string>

namespace parvolind {

/// The program's German text for an operating-system error number, as file
/// operations report them ("Datei nicht gefunden", "Dateizugriff verweigert");
/// numbers without a text of their own read "E/A-Fehler <number>", so that a
/// user can still look them up.
std::string IoErrorText(int error_number);

}  // namespace parvolind
