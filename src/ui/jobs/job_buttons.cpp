#include "ui/jobs/job_buttons.h"

#include <QWidget>

namespace parvolind::ui {

JobButtons::JobButtons(QWidget& window) : QObject(&window) {
  new_ = new JobButton(JobButton::Glyph::kNew, QStringLiteral("Neu"), &window);
  new_->move(219, 73);
  edit_ = new JobButton(JobButton::Glyph::kEdit, QStringLiteral("Bearbeiten"), &window);
  edit_->move(282, 73);
  delete_ = new JobButton(JobButton::Glyph::kDelete, QStringLiteral("Entfernen"), &window);
  delete_->move(345, 73);
  execute_ = new JobButton(JobButton::Glyph::kRun, QStringLiteral("Durchführen"), &window);
  execute_->move(500, 73);
  for (JobButton* button : {new_, edit_, delete_, execute_}) {
    hover_.Add(button);
    connect(button, &JobButton::Hovered, this, [this, button] { hover_.Light(button); });
  }
}

}  // namespace parvolind::ui
