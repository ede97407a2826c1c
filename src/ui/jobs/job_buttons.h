#pragma once

#include <QObject>
#include <vector>

#include "ui/controls/hover_group.h"
#include "ui/jobs/job_button.h"

class QWidget;

namespace parvolind::ui {

/// The four job buttons above the list ("Neu", "Bearbeiten", "Entfernen", "Durchführen") in
/// their places on the main window; at most one of them is lit.
class JobButtons : public QObject {
 public:
  explicit JobButtons(QWidget& window);

  JobButton& New() const { return *new_; }
  JobButton& Edit() const { return *edit_; }
  JobButton& Delete() const { return *delete_; }
  JobButton& Execute() const { return *execute_; }
  /// All four, in the order above.
  std::vector<QWidget*> All() const { return {new_, edit_, delete_, execute_}; }
  /// Darkens them all (the mouse is over the bare window).
  void Darken() { hover_.Darken(); }

 private:
  JobButton* new_;
  JobButton* edit_;
  JobButton* delete_;
  JobButton* execute_;
  HoverGroup hover_;
};

}  // namespace parvolind::ui
