#pragma once

#include <QLabel>
#include <QWidget>
#include <string>

#include "store/job_summary.h"
#include "ui/controls/flat_button.h"

namespace parvolind::ui {

/// `SimplePanelJobInfo`: one job's stored details laid over the job list: its
/// `Name` as the title, when it was defined, its two folders (shortened to the
/// labels' width) and its last run. It shows what was read when it opened.
class JobInfoPanel : public QWidget {
  Q_OBJECT

 public:
  explicit JobInfoPanel(QWidget* parent = nullptr);

  /// `ShowJobInfo`: fills the labels with what the store read of the job
  /// (JobStore::ReadJobSummary) and shows the panel.
  void ShowJobInfo(const JobSummary& job);

  /// The labels' texts, for the window's tests.
  QString NameText() const { return name_->text(); }
  QString Dir1Text() const { return dir1_->text(); }
  /// The "Zurück" button (`FlatButtonJobInfoBack`).
  FlatButton& BackButton() { return *back_; }

 signals:
  /// "Zurück" was clicked; the panel has hidden itself.
  void BackClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* AddLabel(const QString& text, int top, int height, const QFont& font,
                   const QString& accessible_name);
  QString FitPath(const std::string& path) const;

  QLabel* name_;
  QLabel* definition_;
  QLabel* dir1_;
  QLabel* dir2_;
  QLabel* execution_;
  FlatButton* back_;
};

}  // namespace parvolind::ui
