#pragma once

#include <QWidget>

#include "store/job_definition.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace parvolind::ui {

class StepSpinBox;

/// The wizard's fourth page: which file types take part, and the age filter.
class FileFilterPage : public QWidget {
  Q_OBJECT

 public:
  explicit FileFilterPage(QWidget* parent = nullptr);

  /// Shows the job's filters; an unknown filter type leaves the choice as it was.
  void ShowJob(const JobDefinition& job);
  void CollectInto(JobDefinition& job) const;

 private:
  QRadioButton* filter_all_ = nullptr;
  QRadioButton* filter_only_ = nullptr;
  QRadioButton* filter_except_ = nullptr;
  QLineEdit* filter_edit_ = nullptr;
  QCheckBox* filter_days_box_ = nullptr;
  StepSpinBox* filter_days_spin_ = nullptr;
};

}  // namespace parvolind::ui
