#include "ui/toolkit/qt_translations.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>

#include "ui/ui_test_support.h"

namespace parvolind {
namespace {

TEST(QtTranslationsTest, TheMessageBoxesAndTheFolderDialogSpeakGerman) {
  QApplication& application = testing::EnsureApplication();
  ASSERT_TRUE(ui::InstallGermanQtTexts(application)) << "qt6-translations-l10n is missing";
  QMessageBox box(QMessageBox::Question, QStringLiteral("Parvolind"), QStringLiteral("?"),
                  QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Ja"));
  EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Nein"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
}

}  // namespace
}  // namespace parvolind
