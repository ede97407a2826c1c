#include "ui/run/window_run_host.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>

#include "support/test_environment.h"
#include "ui/run/progress_panel.h"
#include "ui/ui_test_support.h"

namespace parvolind::ui {
namespace {

class WindowRunHostTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    testing::EnsureApplication();
  }
};

TEST_F(WindowRunHostTest, LabelsTakeTheirTextsWhenEventsAreProcessedAtMostOncePerInterval) {
  QWidget window;
  auto* covered = new QWidget(&window);
  auto* panel = new ProgressPanel(&window);
  panel->hide();
  testing::ScriptedDialogs dialogs;
  WindowRunHost host(*panel, *covered, dialogs);
  host.SetEventInterval(std::chrono::hours(1));

  // A text set is not drawn at once; the run's first event pass draws it.
  host.SetLabel(ProgressLabel::kAction, "erste.txt wird kopiert");
  EXPECT_TRUE(panel->LabelText(ProgressLabel::kAction).isEmpty());
  host.BeginRun();
  host.ProcessEvents();
  EXPECT_EQ(panel->LabelText(ProgressLabel::kAction), QStringLiteral("erste.txt wird kopiert"));

  // Within the interval the next passes are skipped; showing the panel draws what stands.
  host.SetLabel(ProgressLabel::kAction, "zweite.txt wird kopiert");
  host.ProcessEvents();
  EXPECT_EQ(panel->LabelText(ProgressLabel::kAction), QStringLiteral("erste.txt wird kopiert"));
  host.ShowProgressPanel(true);
  EXPECT_EQ(panel->LabelText(ProgressLabel::kAction), QStringLiteral("zweite.txt wird kopiert"));
  EXPECT_TRUE(panel->isVisibleTo(&window));
  EXPECT_FALSE(covered->isVisibleTo(&window));

  host.ShowFailureMessage("Die Synchronisation ist fehlgeschlagen!");
  ASSERT_EQ(dialogs.warnings.size(), 1u);
  host.ShowProgressPanel(false);
  EXPECT_FALSE(panel->isVisibleTo(&window));
}

}  // namespace
}  // namespace parvolind::ui
