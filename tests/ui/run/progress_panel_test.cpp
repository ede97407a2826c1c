#include "ui/run/progress_panel.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <cstdint>

#include "support/test_environment.h"
#include "ui/controls/flat_button.h"
#include "ui/run/gradient_progress_bar.h"
#include "ui/ui_test_support.h"

namespace parvolind::ui {
namespace {

class ProgressPanelTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    testing::EnsureApplication();
  }
};

TEST_F(ProgressPanelTest, BarScalesSixtyFourBitValuesAndIgnoresValuesOutsideItsRange) {
  GradientProgressBar bar;
  bar.resize(338, 19);
  const int inner = 336;
  const int64_t six_gib = int64_t{6} << 30;

  bar.SetRange64(0, six_gib);
  bar.SetValue64(six_gib / 2);
  EXPECT_EQ(bar.Value64(), six_gib / 2);
  EXPECT_EQ(bar.Maximum64(), six_gib);
  EXPECT_GT(bar.maximum(), 0);
  EXPECT_EQ(bar.value(), bar.maximum() / 2);
  EXPECT_EQ(bar.ShownFill(), inner / 2);

  // Outside the range: nothing changes.
  bar.SetValue64(six_gib + 1);
  bar.SetValue64(-1);
  EXPECT_EQ(bar.Value64(), six_gib / 2);
  EXPECT_EQ(bar.ShownFill(), inner / 2);

  bar.SetValue64(six_gib);
  EXPECT_EQ(bar.value(), bar.maximum());
  EXPECT_EQ(bar.ShownFill(), inner);

  // The extremes of the 64-bit range, and a new range that the value lies outside of.
  bar.SetRange64(INT64_MIN, INT64_MAX);
  bar.SetValue64(0);
  EXPECT_EQ(bar.ShownFill(), inner / 2);
  bar.SetRange64(10, 20);
  EXPECT_EQ(bar.Value64(), 10);
  EXPECT_EQ(bar.ShownFill(), 0);

  // An empty file: the range has no room, the bar is complete rather than busy.
  bar.SetRange64(0, 0);
  bar.SetValue64(0);
  EXPECT_EQ(bar.Value64(), 0);
  EXPECT_GT(bar.maximum(), bar.minimum());
  EXPECT_EQ(bar.ShownFill(), inner);

  // A large copy in small blocks reaches the widget only when the fill moves.
  QSignalSpy changes(&bar, &QProgressBar::valueChanged);
  const int64_t size = int64_t{3} << 30;
  bar.SetRange64(0, size);
  for (int64_t done = 0; done <= size; done += 4096) bar.SetValue64(done);
  EXPECT_EQ(bar.Value64(), size);
  EXPECT_EQ(bar.value(), bar.maximum());
  EXPECT_LE(changes.count(), inner + 2);
}

TEST_F(ProgressPanelTest, PanelShowsTheRunsTextsAndReportsCancel) {
  ProgressPanel panel;
  EXPECT_EQ(panel.size(), QSize(348, 286));

  const QString long_path = QStringLiteral("/home/anna/") + QString(200, QLatin1Char('x'));
  panel.SetLabel(ProgressLabel::kJob, QStringLiteral("Fotos"));
  panel.SetLabel(ProgressLabel::kAction, long_path);
  EXPECT_EQ(panel.LabelText(ProgressLabel::kJob), QStringLiteral("Fotos"));
  EXPECT_EQ(panel.LabelText(ProgressLabel::kAction), long_path);
  // Labels keep their width; the run measures against it in the label's own font.
  EXPECT_EQ(panel.LabelWidth(ProgressLabel::kAction), 282);
  EXPECT_EQ(panel.LabelWidth(ProgressLabel::kDir1), 336);
  EXPECT_GT(panel.TextWidth(ProgressLabel::kAction, long_path), 282);

  panel.Bar(ProgressBar::kTotal).SetRange64(0, 4);
  panel.Bar(ProgressBar::kTotal).SetValue64(3);
  EXPECT_EQ(panel.Bar(ProgressBar::kTotal).Value64(), 3);
  EXPECT_EQ(panel.Bar(ProgressBar::kActual).Value64(), 0);

  QSignalSpy cancel(&panel, &ProgressPanel::CancelClicked);
  panel.show();
  EXPECT_EQ(panel.CancelButton().text(), QStringLiteral("Abbrechen"));
  QTest::mouseClick(&panel.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(cancel.count(), 1);
}

}  // namespace
}  // namespace parvolind::ui
