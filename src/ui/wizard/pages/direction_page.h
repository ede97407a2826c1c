#pragma once

#include <QString>
#include <QWidget>

#include "store/job_definition.h"

class QCheckBox;
class QLabel;

namespace parvolind::ui {

/// The wizard's second page: the two directories (shortened to their labels) with a box for
/// each direction between them, and what the chosen directions do.
class DirectionPage : public QWidget {
  Q_OBJECT

 public:
  /// Its labels' fonts come from `parent` (the wizard).
  explicit DirectionPage(QWidget* parent = nullptr);

  /// Shows the job's directions and what they do.
  void ShowJob(const JobDefinition& job);
  void CollectInto(JobDefinition& job) const;

  /// Shows the two directories, shortened to fit their labels.
  void FitDirectionLabels(const QString& dir1, const QString& dir2);
  /// Whether both directions are chosen.
  bool BothDirections() const;

 private:
  void UpdateDirectionExplanation();

  QLabel* direction_dir1_label_ = nullptr;
  QLabel* direction_dir2_label_ = nullptr;
  QLabel* direction_explanation_ = nullptr;
  QCheckBox* direction_up_box_ = nullptr;
  QCheckBox* direction_down_box_ = nullptr;
};

}  // namespace parvolind::ui
