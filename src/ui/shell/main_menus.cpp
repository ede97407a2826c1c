// The main window's skin areas and its three window menus: Programm, Optionen, Hilfe.

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <exception>

#include "store/config_backup.h"
#include "ui/art/menu_glyphs.h"
#include "ui/run/progress_panel.h"
#include "ui/shell/form_info.h"
#include "ui/shell/form_main.h"
#include "ui/shell/help_window.h"
#include "ui/shell/log_window.h"
#include "ui/shell/skin_area.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

// Where each window menu drops down, relative to the window's top left corner.
const QPoint kProgrammMenuAt(43, 55);
const QPoint kOptionenMenuAt(117, 55);
const QPoint kHilfeMenuAt(195, 55);

QAction* NamedAction(QMenu* menu, const QString& object_name, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(object_name);
  return action;
}

}  // namespace

void TFormMain::BuildSkinAreas() {
  const struct {
    const char* text;
    QRect geometry;
    void (TFormMain::*click)();
  } menus[] = {
      {"Programm", QRect(41, 33, 75, 22), &TFormMain::ImageMenuProgrammMoveClick},
      {"Optionen", QRect(116, 33, 78, 22), &TFormMain::ImageMenuOptionenMoveClick},
      {"Hilfe", QRect(194, 33, 78, 22), &TFormMain::ImageMenuHilfeMoveClick},
  };
  for (size_t i = 0; i < menu_areas_.size(); ++i) {
    const QString text = QString::fromUtf8(menus[i].text);
    auto* area = new SkinArea(SkinArea::Kind::kMenuTitle, text, text, this);
    area->setGeometry(menus[i].geometry);
    connect(area, &QAbstractButton::clicked, this, menus[i].click);
    menu_hover_.Add(area);
    connect(area, &SkinArea::Hovered, this, [this, area] { menu_hover_.Light(area); });
    menu_areas_[i] = area;
  }
  close_area_ =
      new SkinArea(SkinArea::Kind::kCloseButton, QString(), QStringLiteral("Minimieren"), this);
  close_area_->setGeometry(533, 32, 26, 24);
  close_area_->setToolTip(QStringLiteral("Minimieren"));
  connect(close_area_, &QAbstractButton::clicked, this, &TFormMain::Minimieren1Click);
  menu_hover_.Add(close_area_);
  // The close button lights without darkening a menu title.
  connect(close_area_, &SkinArea::Hovered, this, [this] { close_area_->SetLit(true); });
}

void TFormMain::BuildWindowMenus() {
  popup_programm_ = new QMenu(this);
  popup_programm_->setObjectName(QStringLiteral("PopupMenuProgramm"));
  connect(
      NamedAction(popup_programm_, QStringLiteral("Minimieren1"), QStringLiteral("&Minimieren")),
      &QAction::triggered, this, &TFormMain::Minimieren1Click);
  popup_programm_->addSeparator();
  connect(NamedAction(popup_programm_, QStringLiteral("Beenden1"), QStringLiteral("B&eenden")),
          &QAction::triggered, this, &TFormMain::Beenden1Click);

  popup_optionen_ = new QMenu(this);
  popup_optionen_->setObjectName(QStringLiteral("PopupMenuOptionen"));
  QMenu* anzeige =
      popup_optionen_->addMenu(MenuGlyphIcon(MenuGlyph::kShowWindow), QStringLiteral("&Anzeige"));
  auto* start_group = new QActionGroup(this);
  QAction* minimized = NamedAction(anzeige, QStringLiteral("Minimiertstarten1"),
                                   QStringLiteral("&Minimiert starten"));
  QAction* shown =
      NamedAction(anzeige, QStringLiteral("Fensteranzeigen1"), QStringLiteral("&Fenster anzeigen"));
  for (QAction* action : {minimized, shown}) {
    action->setCheckable(true);
    start_group->addAction(action);
  }
  connect(minimized, &QAction::triggered, this,
          [this] { ChangeSetting([this] { settings_.ChooseStartMinimized(); }); });
  connect(shown, &QAction::triggered, this,
          [this] { ChangeSetting([this] { settings_.ChooseShowWindow(); }); });
  anzeige->addSeparator();
  QAction* animated = NamedAction(anzeige, QStringLiteral("AnimiertesSymbol1"),
                                  QStringLiteral("Animiertes Symbol"));
  animated->setCheckable(true);
  connect(animated, &QAction::triggered, this,
          [this] { ChangeSetting([this] { settings_.ToggleAnimatedIcon(); }); });

  QMenu* konfiguration = popup_optionen_->addMenu(MenuGlyphIcon(MenuGlyph::kAutomation),
                                                  QStringLiteral("&Konfiguration"));
  QMenu* puffer =
      konfiguration->addMenu(MenuGlyphIcon(MenuGlyph::kBackup), QStringLiteral("&Puffergröße"));
  auto* buffer_group = new QActionGroup(this);
  for (const int kilobytes : {32, 64, 128, 256, 512}) {
    QAction* action = NamedAction(puffer, QStringLiteral("N%1KB1").arg(kilobytes),
                                  QStringLiteral("%1 KB").arg(kilobytes));
    action->setCheckable(true);
    buffer_group->addAction(action);
    connect(action, &QAction::triggered, this, [this, kilobytes] {
      ChangeSetting([this, kilobytes] { settings_.ChooseBufferSize(kilobytes); });
    });
  }

  QMenu* protokoll = popup_optionen_->addMenu(MenuGlyphIcon(MenuGlyph::kLogFile),
                                              QStringLiteral("&Protokollierung"));
  QAction* logfile = NamedAction(protokoll, QStringLiteral("Logfileerstellen1"),
                                 QStringLiteral("&Logfile erstellen"));
  logfile->setCheckable(true);
  connect(logfile, &QAction::triggered, this,
          [this] { ChangeSetting([this] { settings_.ToggleLogfile(); }); });
  connect(NamedAction(protokoll, QStringLiteral("Logfileanzeigen1"),
                      QStringLiteral("Logfile &anzeigen")),
          &QAction::triggered, this, &TFormMain::Logfileanzeigen1Click);
  // Where the run's deletions and replaced old versions go: on, they stay restorable.
  QAction* trash = NamedAction(popup_optionen_, QStringLiteral("Papierkorb1"),
                               QStringLiteral("&Gelöschte und ersetzte Dateien in den Papierkorb"));
  trash->setCheckable(true);
  connect(trash, &QAction::triggered, this,
          [this] { ChangeSetting([this] { settings_.ToggleTrash(); }); });
  popup_optionen_->addSeparator();
  QMenu* backup =
      popup_optionen_->addMenu(MenuGlyphIcon(MenuGlyph::kBackup), QStringLiteral("&Backup"));
  connect(NamedAction(backup, QStringLiteral("Sicherung1"), QStringLiteral("&Sicherung erstellen")),
          &QAction::triggered, this, &TFormMain::Sicherung1Click);
  connect(popup_optionen_, &QMenu::aboutToShow, this, &TFormMain::CopySettingsState);

  popup_hilfe_ = new QMenu(this);
  popup_hilfe_->setObjectName(QStringLiteral("PopupMenuHilfe"));
  connect(NamedAction(popup_hilfe_, QStringLiteral("Hilfe1"), QStringLiteral("&Hilfe")),
          &QAction::triggered, this, &TFormMain::Hilfe1Click);
  popup_hilfe_->addSeparator();
  connect(NamedAction(popup_hilfe_, QStringLiteral("Info1"), QStringLiteral("&Info")),
          &QAction::triggered, this, &TFormMain::Info1Click);
  const struct {
    const char* name;
    MenuGlyph glyph;
  } glyphs[] = {{"Minimieren1", MenuGlyph::kMinimise},
                {"Beenden1", MenuGlyph::kQuit},
                {"Logfileanzeigen1", MenuGlyph::kLogFile},
                {"Sicherung1", MenuGlyph::kBackup},
                {"Hilfe1", MenuGlyph::kHelp},
                {"Info1", MenuGlyph::kInfo}};
  for (const auto& item : glyphs) {
    MenuItem(QString::fromLatin1(item.name))->setIcon(MenuGlyphIcon(item.glyph));
  }
  CopySettingsState();

  // The keyboard opens the three menus with Alt and their captions' first letters, and
  // F10 the Programm menu.
  const struct {
    QKeySequence keys;
    void (TFormMain::*open)();
    QMenu* menu;
  } keys[] = {
      {QKeySequence(Qt::ALT | Qt::Key_P), &TFormMain::ImageMenuProgrammMoveClick, popup_programm_},
      {QKeySequence(Qt::Key_F10), &TFormMain::ImageMenuProgrammMoveClick, popup_programm_},
      {QKeySequence(Qt::ALT | Qt::Key_O), &TFormMain::ImageMenuOptionenMoveClick, popup_optionen_},
      {QKeySequence(Qt::ALT | Qt::Key_H), &TFormMain::ImageMenuHilfeMoveClick, popup_hilfe_},
  };
  for (const auto& key : keys) {
    auto* shortcut = new QShortcut(key.keys, this);
    connect(shortcut, &QShortcut::activated, this,
            [this, open = key.open, menu = key.menu] { OpenMenuFromKeyboard(open, menu); });
  }
}

void TFormMain::OpenMenuFromKeyboard(void (TFormMain::*open)(), QMenu* menu) {
  (this->*open)();
  // Opened by the keyboard, the menu starts at its first item, so the arrows and Enter
  // work at once.
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator() && action->isEnabled()) {
      menu->setActiveAction(action);
      break;
    }
  }
}

QAction* TFormMain::MenuItem(const QString& name) const {
  for (QMenu* menu : {popup_programm_, popup_optionen_, popup_hilfe_}) {
    if (QAction* action = menu->findChild<QAction*>(name)) return action;
    for (QMenu* sub : menu->findChildren<QMenu*>()) {
      if (QAction* action = sub->findChild<QAction*>(name)) return action;
    }
  }
  return nullptr;
}

void TFormMain::ChangeSetting(const std::function<void()>& change) {
  try {
    change();
  } catch (const std::exception& error) {
    dialogs_.ShowError(ToQString(error.what()));
  }
  CopySettingsState();
}

void TFormMain::CopySettingsState() {
  MenuItem(QStringLiteral("Minimiertstarten1"))->setChecked(settings_.start_minimized());
  MenuItem(QStringLiteral("Fensteranzeigen1"))->setChecked(!settings_.start_minimized());
  MenuItem(QStringLiteral("AnimiertesSymbol1"))->setChecked(settings_.animated_icon());
  MenuItem(QStringLiteral("Logfileerstellen1"))->setChecked(settings_.logfile());
  MenuItem(QStringLiteral("Papierkorb1"))->setChecked(settings_.trash());
  MenuItem(QStringLiteral("N%1KB1").arg(settings_.buffer_kilobytes()))->setChecked(true);
}

void TFormMain::ImageMenuProgrammMoveClick() { popup_programm_->popup(pos() + kProgrammMenuAt); }
void TFormMain::ImageMenuOptionenMoveClick() { popup_optionen_->popup(pos() + kOptionenMenuAt); }
void TFormMain::ImageMenuHilfeMoveClick() { popup_hilfe_->popup(pos() + kHilfeMenuAt); }

void TFormMain::Logfileanzeigen1Click() {
  // Without a log there is nothing to show, and nothing is said.
  const QString path = ToQString(log_->Path());
  if (!QFile::exists(path)) return;
  OpenFile(path, [this](const QString& file) {
    if (log_window_ == nullptr) log_window_ = new LogWindow(this);
    log_window_->ShowFile(file);
  });
}

void TFormMain::Hilfe1Click() {
  OpenFile(ToQString(help_path_), [this](const QString& file) {
    if (help_window_ == nullptr) help_window_ = new HelpWindow(this);
    help_window_->ShowPage(file);
  });
}

void TFormMain::OpenFile(const QString& path, const std::function<void(const QString&)>& own) {
  if (!open_url_) {
    own(path);
    return;
  }
  // The desktop answers later; the window may be gone by then.
  QPointer<TFormMain> alive(this);
  open_url_(QUrl::fromLocalFile(path), [alive, path, own](bool opened) {
    if (!opened && !alive.isNull()) own(path);
  });
}

void TFormMain::Info1Click() { info_window_.Show(); }

void TFormMain::Sicherung1Click() {
  const BackupResult result = ConfigBackup(hive_).ExportBackup();
  dialogs_.Warn(ToQString(result.message));
}

}  // namespace parvolind::ui
