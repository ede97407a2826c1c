#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>

#include "store/settings.h"
#include "ui/toolkit/dialogs.h"

#include "ui/controls/hover_group.h"

class QAction;
class QMenu;
class QWidget;

namespace parvolind::ui {

class SkinArea;

/// The main window's three window menus, `PopupMenuProgramm`, `PopupMenuOptionen` and
/// `PopupMenuHilfe`, with their titles on the skin (`ImageMenu...`), the skin's close button
/// beside them, and their keyboard shortcuts (Alt+P, Alt+O, Alt+H, F10). At most one title
/// (or the close button) is lit. The settings
/// entries change the settings themselves and show their state; every other command is
/// signalled to the window.
class WindowMenus : public QObject {
  Q_OBJECT

 public:
  enum class Menu { kProgramm, kOptionen, kHilfe };

  /// Builds the menus and their titles on `window`, which they drop down from and which holds
  /// the shortcuts.
  /// An error changing `settings` is shown through `dialogs`.
  WindowMenus(Settings& settings, Dialogs& dialogs, QWidget& window);

  /// One of the menus.
  QMenu& Of(Menu menu) const { return *menus_[static_cast<size_t>(menu)]; }

  /// A named item of the three menus ("Minimiertstarten1", "N64KB1", ...), or null.
  QAction* Item(const QString& name) const;

  /// Drops `menu` down under its title.
  void Open(Menu menu);

  /// A menu's title on the skin, and the close button.
  SkinArea& Title(Menu menu) const { return *titles_[static_cast<size_t>(menu)]; }
  SkinArea& CloseButton() const { return *close_button_; }
  /// Darkens the titles and the close button (the mouse left them).
  void DarkenTitles() { title_hover_.Darken(); }

  /// Marks the check items as the settings stand.
  void CopySettingsState();

 signals:
  void MinimiseRequested();  ///< "&Minimieren", and the close button
  void QuitRequested();      ///< "B&eenden"
  void ShowLogRequested();   ///< "Logfile &anzeigen"
  void BackupRequested();    ///< "&Sicherung erstellen"
  void HelpRequested();      ///< "&Hilfe"
  void InfoRequested();      ///< "&Info"

 private:
  void BuildTitles();
  void BuildProgramm();
  void BuildOptionen();
  void BuildHilfe();
  void BuildShortcuts();
  void ChangeSetting(const std::function<void()>& change);
  void OpenFromKeyboard(Menu menu);

  Settings& settings_;
  Dialogs& dialogs_;
  QWidget& window_;
  std::array<QMenu*, 3> menus_{};
  std::array<SkinArea*, 3> titles_{};
  SkinArea* close_button_ = nullptr;
  HoverGroup title_hover_;
};

}  // namespace parvolind::ui
