#pragma once

#include <QWidget>

#include "store/job_definition.h"

class QCheckBox;

namespace parvolind::ui {

class JobNameEdit;

/// The wizard's last page: the CRC-32 check and the job's name.
class FinalPage : public QWidget {
  Q_OBJECT

 public:
  explicit FinalPage(QWidget* parent = nullptr);

  /// Shows the job's CRC-32 choice and name.
  void ShowJob(const JobDefinition& job);
  void CollectInto(JobDefinition& job) const;

 private:
  QCheckBox* crc_box_ = nullptr;
  JobNameEdit* name_edit_ = nullptr;
};

}  // namespace parvolind::ui
