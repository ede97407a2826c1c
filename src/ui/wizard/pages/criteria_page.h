#pragma once

#include <QWidget>

#include "store/job_definition.h"

class QCheckBox;
class QRadioButton;

namespace parvolind::ui {

/// The wizard's third page: which files a run copies (all, new and changed, only newer
/// versions), the archive mark, and whether surplus files are deleted.
class CriteriaPage : public QWidget {
  Q_OBJECT

 public:
  explicit CriteriaPage(QWidget* parent = nullptr);

  /// Shows the job's criteria; a job without a criterion leaves the choice as it was.
  void ShowJob(const JobDefinition& job);
  void CollectInto(JobDefinition& job) const;

  /// Both directions at once (`both`) cannot copy "all files" nor delete surplus ones: each
  /// side would undo the other. What the rule changes stays changed afterwards; with one
  /// direction every choice is open again.
  void ApplyTwoDirectionRule(bool both);

 private:
  QRadioButton* criterion_all_ = nullptr;
  QRadioButton* criterion_new_ = nullptr;
  QRadioButton* criterion_newer_ = nullptr;
  QCheckBox* archive_box_ = nullptr;
  QCheckBox* delete_box_ = nullptr;
};

}  // namespace parvolind::ui
