#pragma once

#include <QWidget>
#include <array>

#include "store/job_definition.h"

class QCheckBox;

namespace parvolind::ui {

class StepSpinBox;
class TimeEdit;

/// The wizard's fifth page: the job's schedule (every so many minutes, at a time of day) and
/// its weekdays.
class AutomationPage : public QWidget {
  Q_OBJECT

 public:
  explicit AutomationPage(QWidget* parent = nullptr);

  /// Shows the job's schedule.
  void ShowJob(const JobDefinition& job);
  void CollectInto(JobDefinition& job) const;

  /// The time field, which checks its input when it is left.
  TimeEdit* TimeField() const { return time_edit_; }

 private:
  QCheckBox* interval_box_ = nullptr;
  StepSpinBox* minutes_spin_ = nullptr;
  QCheckBox* time_box_ = nullptr;
  TimeEdit* time_edit_ = nullptr;
  std::array<QCheckBox*, 7> weekday_boxes_{};  ///< Monday to Sunday
};

}  // namespace parvolind::ui
