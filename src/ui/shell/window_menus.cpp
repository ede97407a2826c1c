#include "ui/shell/window_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QWidget>
#include <exception>

#include "ui/art/menu_glyphs.h"
#include "ui/skin/skin_area.h"
#include "ui/toolkit/qt_strings.h"

namespace parvolind::ui {
namespace {

// Where each window menu drops down, relative to the window's top left corner.
const QPoint kMenuAt[] = {QPoint(43, 55), QPoint(117, 55), QPoint(195, 55)};

QAction* NamedAction(QMenu* menu, const QString& object_name, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(object_name);
  return action;
}

}  // namespace

WindowMenus::WindowMenus(Settings& settings, Dialogs& dialogs, QWidget& window)
    : QObject(&window), settings_(settings), dialogs_(dialogs), window_(window) {
  BuildTitles();
  BuildProgramm();
  BuildOptionen();
  BuildHilfe();
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
    Item(QString::fromLatin1(item.name))->setIcon(MenuGlyphIcon(item.glyph));
  }
  CopySettingsState();
  BuildShortcuts();
}

void WindowMenus::BuildTitles() {
  const struct {
    const char* text;
    QRect geometry;
  } titles[] = {
      {"Programm", QRect(41, 33, 75, 22)},
      {"Optionen", QRect(116, 33, 78, 22)},
      {"Hilfe", QRect(194, 33, 78, 22)},
  };
  for (size_t i = 0; i < titles_.size(); ++i) {
    const QString text = QString::fromUtf8(titles[i].text);
    auto* area = new SkinArea(SkinArea::Kind::kMenuTitle, text, text, &window_);
    area->setGeometry(titles[i].geometry);
    connect(area, &QAbstractButton::clicked, this, [this, i] { Open(static_cast<Menu>(i)); });
    title_hover_.Add(area);
    connect(area, &SkinArea::Hovered, this, [this, area] { title_hover_.Light(area); });
    titles_[i] = area;
  }
  close_button_ =
      new SkinArea(SkinArea::Kind::kCloseButton, QString(), QStringLiteral("Minimieren"), &window_);
  close_button_->setGeometry(533, 32, 26, 24);
  close_button_->setToolTip(QStringLiteral("Minimieren"));
  connect(close_button_, &QAbstractButton::clicked, this, &WindowMenus::MinimiseRequested);
  title_hover_.Add(close_button_);
  // The close button lights without darkening a menu title.
  connect(close_button_, &SkinArea::Hovered, this, [this] { close_button_->SetLit(true); });
}

void WindowMenus::BuildProgramm() {
  QMenu* programm = new QMenu(&window_);
  menus_[static_cast<size_t>(Menu::kProgramm)] = programm;
  programm->setObjectName(QStringLiteral("PopupMenuProgramm"));
  connect(NamedAction(programm, QStringLiteral("Minimieren1"), QStringLiteral("&Minimieren")),
          &QAction::triggered, this, &WindowMenus::MinimiseRequested);
  programm->addSeparator();
  connect(NamedAction(programm, QStringLiteral("Beenden1"), QStringLiteral("B&eenden")),
          &QAction::triggered, this, &WindowMenus::QuitRequested);
}

void WindowMenus::BuildOptionen() {
  QMenu* optionen = new QMenu(&window_);
  menus_[static_cast<size_t>(Menu::kOptionen)] = optionen;
  optionen->setObjectName(QStringLiteral("PopupMenuOptionen"));
  QMenu* anzeige =
      optionen->addMenu(MenuGlyphIcon(MenuGlyph::kShowWindow), QStringLiteral("&Anzeige"));
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

  QMenu* konfiguration =
      optionen->addMenu(MenuGlyphIcon(MenuGlyph::kAutomation), QStringLiteral("&Konfiguration"));
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

  QMenu* protokoll =
      optionen->addMenu(MenuGlyphIcon(MenuGlyph::kLogFile), QStringLiteral("&Protokollierung"));
  QAction* logfile = NamedAction(protokoll, QStringLiteral("Logfileerstellen1"),
                                 QStringLiteral("&Logfile erstellen"));
  logfile->setCheckable(true);
  connect(logfile, &QAction::triggered, this,
          [this] { ChangeSetting([this] { settings_.ToggleLogfile(); }); });
  connect(NamedAction(protokoll, QStringLiteral("Logfileanzeigen1"),
                      QStringLiteral("Logfile &anzeigen")),
          &QAction::triggered, this, &WindowMenus::ShowLogRequested);
  // Where the run's deletions and replaced old versions go: on, they stay restorable.
  QAction* trash = NamedAction(optionen, QStringLiteral("Papierkorb1"),
                               QStringLiteral("&Gelöschte und ersetzte Dateien in den Papierkorb"));
  trash->setCheckable(true);
  connect(trash, &QAction::triggered, this,
          [this] { ChangeSetting([this] { settings_.ToggleTrash(); }); });
  optionen->addSeparator();
  QMenu* backup = optionen->addMenu(MenuGlyphIcon(MenuGlyph::kBackup), QStringLiteral("&Backup"));
  connect(NamedAction(backup, QStringLiteral("Sicherung1"), QStringLiteral("&Sicherung erstellen")),
          &QAction::triggered, this, &WindowMenus::BackupRequested);
  connect(optionen, &QMenu::aboutToShow, this, &WindowMenus::CopySettingsState);
}

void WindowMenus::BuildHilfe() {
  QMenu* hilfe = new QMenu(&window_);
  menus_[static_cast<size_t>(Menu::kHilfe)] = hilfe;
  hilfe->setObjectName(QStringLiteral("PopupMenuHilfe"));
  connect(NamedAction(hilfe, QStringLiteral("Hilfe1"), QStringLiteral("&Hilfe")),
          &QAction::triggered, this, &WindowMenus::HelpRequested);
  hilfe->addSeparator();
  connect(NamedAction(hilfe, QStringLiteral("Info1"), QStringLiteral("&Info")), &QAction::triggered,
          this, &WindowMenus::InfoRequested);
}

void WindowMenus::BuildShortcuts() {
  // The keyboard opens the three menus with Alt and their captions' first letters, and
  // F10 the Programm menu.
  const struct {
    QKeySequence keys;
    Menu menu;
  } keys[] = {
      {QKeySequence(Qt::ALT | Qt::Key_P), Menu::kProgramm},
      {QKeySequence(Qt::Key_F10), Menu::kProgramm},
      {QKeySequence(Qt::ALT | Qt::Key_O), Menu::kOptionen},
      {QKeySequence(Qt::ALT | Qt::Key_H), Menu::kHilfe},
  };
  for (const auto& key : keys) {
    auto* shortcut = new QShortcut(key.keys, &window_);
    connect(shortcut, &QShortcut::activated, this,
            [this, menu = key.menu] { OpenFromKeyboard(menu); });
  }
}

void WindowMenus::OpenFromKeyboard(Menu which) {
  Open(which);
  // Opened by the keyboard, the menu starts at its first item, so the arrows and Enter
  // work at once.
  QMenu& menu = Of(which);
  for (QAction* action : menu.actions()) {
    if (!action->isSeparator() && action->isEnabled()) {
      menu.setActiveAction(action);
      break;
    }
  }
}

void WindowMenus::Open(Menu menu) {
  Of(menu).popup(window_.pos() + kMenuAt[static_cast<size_t>(menu)]);
}

QAction* WindowMenus::Item(const QString& name) const {
  for (QMenu* menu : menus_) {
    if (QAction* action = menu->findChild<QAction*>(name)) return action;
    for (QMenu* sub : menu->findChildren<QMenu*>()) {
      if (QAction* action = sub->findChild<QAction*>(name)) return action;
    }
  }
  return nullptr;
}

void WindowMenus::ChangeSetting(const std::function<void()>& change) {
  try {
    change();
  } catch (const std::exception& error) {
    dialogs_.ShowError(ToQString(error.what()));
  }
  CopySettingsState();
}

void WindowMenus::CopySettingsState() {
  Item(QStringLiteral("Minimiertstarten1"))->setChecked(settings_.start_minimized());
  Item(QStringLiteral("Fensteranzeigen1"))->setChecked(!settings_.start_minimized());
  Item(QStringLiteral("AnimiertesSymbol1"))->setChecked(settings_.animated_icon());
  Item(QStringLiteral("Logfileerstellen1"))->setChecked(settings_.logfile());
  Item(QStringLiteral("Papierkorb1"))->setChecked(settings_.trash());
  Item(QStringLiteral("N%1KB1").arg(settings_.buffer_kilobytes()))->setChecked(true);
}

}  // namespace parvolind::ui
