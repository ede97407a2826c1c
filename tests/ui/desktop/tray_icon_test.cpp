#include "ui/desktop/tray_icon.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QStringList>
#include <vector>

#include "ui/art/app_emblem.h"
#include "ui/art/menu_glyphs.h"
#include "ui/ui_test_support.h"

namespace parvolind::ui {
namespace {

QImage Picture(const QIcon& icon) {
  return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(TrayIconTest, MenuCarriesTheCommandsInOrderAndForwardsThem) {
  testing::EnsureApplication();
  TrayIcon tray([] { return false; });
  QStringList texts;
  for (QAction* action : tray.Menu()->actions()) {
    texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    if (!action->isSeparator()) {
      EXPECT_FALSE(action->icon().isNull()) << action->text().toStdString();
    }
  }
  EXPECT_EQ(texts, QStringList({"&Anzeigen", "&Minimieren", "-", "B&eenden", "-", "&Info"}));

  std::vector<int> received;
  QObject::connect(&tray, &TrayIcon::ShowRequested, [&] { received.push_back(0); });
  QObject::connect(&tray, &TrayIcon::MinimizeRequested, [&] { received.push_back(1); });
  QObject::connect(&tray, &TrayIcon::QuitRequested, [&] { received.push_back(3); });
  QObject::connect(&tray, &TrayIcon::InfoRequested, [&] { received.push_back(5); });
  const QList<QAction*> actions = tray.Menu()->actions();
  for (int i : {5, 3, 1, 0}) actions[i]->trigger();
  EXPECT_EQ(received, (std::vector<int>{5, 3, 1, 0}));
}

TEST(TrayIconTest, AnimationStepsThroughFourFramesAndStopsWhereItIs) {
  testing::EnsureApplication();
  TrayIcon tray([] { return false; });
  // Every frame is a picture of its own, and the tray shows the one it says.
  for (int frame = 1; frame < kEmblemFrames; ++frame) {
    EXPECT_NE(AppEmblemImage(16, frame), AppEmblemImage(16, frame - 1)) << frame;
  }
  EXPECT_EQ(tray.ShownFrame(), 0);
  EXPECT_FALSE(tray.Animating());

  tray.SetAnimation(true);
  EXPECT_TRUE(tray.Animating());
  std::vector<int> shown;
  for (int tick = 0; tick < 6; ++tick) {
    tray.AnimationTick();
    shown.push_back(tray.ShownFrame());
  }
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 0, 1}));
  EXPECT_EQ(Picture(tray.CurrentIcon()), Picture(AppIconFrame(1)));

  tray.SetAnimation(false);
  EXPECT_FALSE(tray.Animating());
  EXPECT_EQ(tray.ShownFrame(), 1);
  // Switching on again starts from the resting frame.
  tray.SetAnimation(true);
  tray.AnimationTick();
  EXPECT_EQ(tray.ShownFrame(), 0);
  tray.SetAnimation(false);
}

TEST(TrayIconTest, ReportsATrayThatGoesAndComesBack) {
  testing::EnsureApplication();
  bool available = false;
  TrayIcon tray([&] { return available; });
  std::vector<bool> changes;
  QObject::connect(&tray, &TrayIcon::AvailabilityChanged,
                   [&](bool now) { changes.push_back(now); });
  tray.Show();
  tray.CheckAvailability();
  EXPECT_TRUE(changes.empty());
  available = true;
  tray.CheckAvailability();
  tray.CheckAvailability();
  available = false;
  tray.CheckAvailability();
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
  EXPECT_FALSE(tray.Available());
}

}  // namespace
}  // namespace parvolind::ui
