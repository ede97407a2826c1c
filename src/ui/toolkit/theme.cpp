#include "ui/toolkit/theme.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

namespace parvolind::ui {
namespace {

// Set once the Tahoma files were added; otherwise the fall-back face is used.
QString& FontFamily() {
  static QString family = QStringLiteral("Sans Serif");
  return family;
}

}  // namespace

void LoadApplicationFonts() {
  // Only the regular face: the bold face of that package draws thin, widely spaced
  // strokes at the window's small sizes (and a gap after every '/'), while the
  // emboldened regular face reads as a proper bold.
  const QString file = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
  if (!QFile::exists(file)) return;
  const int id = QFontDatabase::addApplicationFont(file);
  if (id < 0) return;
  const QStringList families = QFontDatabase::applicationFontFamilies(id);
  if (!families.isEmpty()) FontFamily() = families.front();
}

QFont WindowFont(int pixel_size, bool bold) {
  QFont font(FontFamily());
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

}  // namespace parvolind::ui
