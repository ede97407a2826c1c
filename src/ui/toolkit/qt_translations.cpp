#include "ui/toolkit/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace parvolind::ui {

bool InstallGermanQtTexts(QCoreApplication& application) {
  // The program's own texts are German on every system, so Qt's must be too; the
  // translator lives as long as the application.
  auto* translator = new QTranslator(&application);
  if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace parvolind::ui
