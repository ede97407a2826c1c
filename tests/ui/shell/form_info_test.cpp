#include "ui/shell/form_info.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "support/test_environment.h"
#include "ui/controls/link_button.h"
#include "ui/ui_test_support.h"

namespace parvolind::ui {
namespace {

class FormInfoTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    testing::EnsureApplication();
  }
};

TEST_F(FormInfoTest, ShowsTheVersionOpensTheLinkAndHidesOnAClickElsewhere) {
  EXPECT_EQ(VersionText(QStringLiteral("1.0.0.2")), QStringLiteral("v1.0.0.2"));
  EXPECT_EQ(VersionText(QStringLiteral("0.1.0")), QStringLiteral("v0.1.0.0"));
  EXPECT_EQ(VersionText(QString()), QStringLiteral("v0.0.0.0"));

  TFormInfo info(QStringLiteral("1.0.0.2"));
  EXPECT_EQ(info.size(), QSize(309, 220));
  EXPECT_EQ(info.VersionLabel().text(), QStringLiteral("v1.0.0.2"));
  EXPECT_EQ(info.VersionLabel().geometry().right() + 1, 288);
  EXPECT_TRUE(info.VersionLabel().alignment() & Qt::AlignRight);
  EXPECT_EQ(info.ProductLink().pos(), QPoint(24, 105));

  // Opened twice: one window.
  info.Show();
  info.Show();
  EXPECT_TRUE(info.isVisible());
  int shown = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (qobject_cast<TFormInfo*>(window) != nullptr && window->isVisible()) ++shown;
  }
  EXPECT_EQ(shown, 1);

  QSignalSpy opened(&info, &TFormInfo::LinkActivated);
  QTest::mouseClick(&info.ProductLink(), Qt::LeftButton);
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened.front().front().toUrl(),
            QUrl(QStringLiteral("https://orbelt.example/parvolind")));
  EXPECT_TRUE(info.isVisible());

  QTest::mouseClick(&info.VersionLabel(), Qt::LeftButton);
  EXPECT_FALSE(info.isVisible());
  info.Show();
  QTest::mouseClick(&info, Qt::LeftButton, {}, QPoint(150, 190));
  EXPECT_FALSE(info.isVisible());
  EXPECT_EQ(opened.count(), 1);
}

}  // namespace
}  // namespace parvolind::ui
