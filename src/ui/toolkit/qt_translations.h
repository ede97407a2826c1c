#pragma once

class QCoreApplication;

namespace parvolind::ui {

/// Loads Qt's own German texts into `application`: the buttons of the message boxes
/// ("Ja", "Nein"), the folder dialog ("Suchen in", "Neues Verzeichnis") and every other
/// dialog Qt draws, so that they speak the program's language whatever the system's
/// locale is. Returns false when they are not installed (Debian's
/// qt6-translations-l10n); Qt's English texts stay then.
bool InstallGermanQtTexts(QCoreApplication& application);

}  // namespace parvolind::ui
