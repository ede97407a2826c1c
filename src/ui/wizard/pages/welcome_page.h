#pragma once

#include <QWidget>

#include "store/job_definition.h"

class QCheckBox;
class QLineEdit;

namespace parvolind::ui {

class FolderButton;

/// The wizard's first page: the two directories with their browse buttons, and whether
/// subfolders take part.
class WelcomePage : public QWidget {
  Q_OBJECT

 public:
  explicit WelcomePage(QWidget* parent = nullptr);

  /// Shows the job's directories and subfolder choice.
  void ShowJob(const JobDefinition& job);
  /// Puts the page's values into `job`; a directory typed as "~/..." lies in the home folder.
  void CollectInto(JobDefinition& job) const;

  QLineEdit* Dir1Edit() const { return dir1_edit_; }
  QLineEdit* Dir2Edit() const { return dir2_edit_; }
  FolderButton* Browse1Button() const { return browse1_button_; }
  FolderButton* Browse2Button() const { return browse2_button_; }

 private:
  QLineEdit* dir1_edit_ = nullptr;
  QLineEdit* dir2_edit_ = nullptr;
  FolderButton* browse1_button_ = nullptr;
  FolderButton* browse2_button_ = nullptr;
  QCheckBox* sub_dirs_box_ = nullptr;
};

}  // namespace parvolind::ui
