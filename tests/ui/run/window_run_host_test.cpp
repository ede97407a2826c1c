#include "ui/run/window_run_host.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>

#include "support/test_environment.h"
#include "ui/run/gradient_progress_bar.h"
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

  // A path is shortened to the label only when it is drawn, the suffix kept whole.
  host.SetPathLabel(ProgressLabel::kAction, std::string(400, 'a') + "/b/c/datei.txt", 100,
                    " wird kopiert...");
  host.ShowProgressPanel(true);
  EXPECT_EQ(panel->LabelText(ProgressLabel::kAction),
            QStringLiteral(".../b/c/datei.txt wird kopiert..."));

  // The bars too take what the run set when events are next processed, by their own rules:
  // a new range pulls the value into it, a value outside it is ignored.
  GradientProgressBar& total = panel->Bar(ProgressBar::kTotal);
  host.SetBarRange(ProgressBar::kTotal, 0, 10);
  host.SetBarValue(ProgressBar::kTotal, 8);
  host.SetBarRange(ProgressBar::kTotal, 0, 5);
  host.SetBarValue(ProgressBar::kTotal, 7);
  EXPECT_EQ(total.Maximum64(), 100);
  host.SetBarValue(ProgressBar::kActual, 30);
  host.ShowFailureMessage("Die Synchronisation ist fehlgeschlagen!");
  EXPECT_EQ(total.Maximum64(), 5);
  EXPECT_EQ(total.Value64(), 5);
  EXPECT_EQ(panel->Bar(ProgressBar::kActual).Value64(), 30);

  ASSERT_EQ(dialogs.warnings.size(), 1u);
  host.ShowProgressPanel(false);
  EXPECT_FALSE(panel->isVisibleTo(&window));
}

}  // namespace
}  // namespace parvolind::ui
