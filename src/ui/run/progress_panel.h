#pragma once

#include <QString>
#include <QWidget>

#include "engine/progress_sink.h"

class QLabel;

namespace parvolind::ui {

class FlatButton;
class GradientProgressBar;

/// `SimplePanelProgress`: the panel laid over the job list while a run is shown. It holds
/// the job name, the two directories, the current action, the per-file and the overall
/// bar, and the button "Abbrechen". It only shows what it is given; the main window
/// feeds it from the run and decides what a cancel means. Hidden until shown.
class ProgressPanel : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressPanel(QWidget* parent = nullptr);

  /// Puts a text into one of the four labels the run writes. Labels keep their size and
  /// do not shorten the text themselves; the run shortens paths to LabelWidth().
  void SetLabel(ProgressLabel label, const QString& text);
  QString LabelText(ProgressLabel label) const;
  /// The width of a label in pixels.
  int LabelWidth(ProgressLabel label) const;
  /// The width in pixels of `text` in that label's font.
  int TextWidth(ProgressLabel label, const QString& text) const;

  /// `FlatProgressBarActual` or `FlatProgressBarTotal`.
  GradientProgressBar& Bar(ProgressBar bar);
  const GradientProgressBar& Bar(ProgressBar bar) const;

  /// The button "Abbrechen" (`FlatButtonProgressCancel`).
  FlatButton& CancelButton() { return *cancel_; }

 signals:
  /// "Abbrechen" was clicked.
  void CancelClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* Label(ProgressLabel label) const;

  QLabel* job_;
  QLabel* dir1_;
  QLabel* dir2_;
  QLabel* action_;
  GradientProgressBar* actual_;
  GradientProgressBar* total_;
  FlatButton* cancel_;
};

}  // namespace parvolind::ui
