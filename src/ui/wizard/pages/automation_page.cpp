#include "ui/wizard/pages/automation_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/toolkit/qt_strings.h"
#include "ui/wizard/fields/step_spin_box.h"
#include "ui/wizard/fields/time_edit.h"
#include "ui/wizard/wizard_page_parts.h"

namespace parvolind::ui {

using namespace page_parts;

AutomationPage::AutomationPage(QWidget* parent) : QWidget(parent) {
  QVBoxLayout* layout = PageLayout(this, "TabAutomatisation");
  layout->addWidget(Heading(QStringLiteral("Durchführung der Synchronisation")));
  layout->addWidget(
      Text(QStringLiteral("Nehmen Sie hier Einstellungen für die automatische Durchführung des "
                          "Synchronisations-Auftrags vor.")));
  layout->addSpacing(4);

  // The two schedule lines: box with the line's start, the field, the line's end.
  auto* lines = new QGridLayout;
  lines->setHorizontalSpacing(6);
  lines->setVerticalSpacing(4);
  interval_box_ = NamedButton(new QCheckBox(QStringLiteral("Synchronisation alle")),
                              "CheckBoxAutomatisationMinutes");
  minutes_spin_ =
      Named(new StepSpinBox(5, 600, 5), "SpinEditAutomatisationMinutes", QStringLiteral("Minuten"));
  minutes_spin_->setFixedWidth(58);
  time_box_ = NamedButton(new QCheckBox(QStringLiteral("Synchronisation um")),
                          "CheckBoxAutomatisationTime");
  time_edit_ = Named(new TimeEdit, "MaskEditAutomatisationTime", QStringLiteral("Uhrzeit"));
  time_edit_->setFixedSize(58, 21);
  lines->addWidget(interval_box_, 0, 0);
  lines->addWidget(minutes_spin_, 0, 1);
  lines->addWidget(new QLabel(QStringLiteral("Minuten durchführen.")), 0, 2);
  lines->addWidget(time_box_, 1, 0);
  lines->addWidget(time_edit_, 1, 1);
  lines->addWidget(new QLabel(QStringLiteral("Uhr durchführen.")), 1, 2);
  lines->setColumnStretch(3, 1);
  layout->addLayout(lines);
  layout->addSpacing(6);

  layout->addWidget(Text(QStringLiteral("Synchronisation an folg. Wochentagen durchführen:")));
  const char* const names[] = {"Montag",  "Dienstag", "Mittwoch", "Donnerstag",
                               "Freitag", "Samstag",  "Sonntag"};
  const char* const object_names[] = {"CheckBoxMonday",   "CheckBoxTuesday", "CheckBoxWednesday",
                                      "CheckBoxThursday", "CheckBoxFriday",  "CheckBoxSaturday",
                                      "CheckBoxSunday"};
  auto* days = new QGridLayout;
  days->setContentsMargins(kIndent, 0, 0, 0);
  days->setHorizontalSpacing(10);
  days->setVerticalSpacing(2);
  for (int day = 0; day < 7; ++day) {
    QCheckBox* box = NamedButton(new QCheckBox(QString::fromUtf8(names[day])), object_names[day]);
    weekday_boxes_[static_cast<size_t>(day)] = box;
    days->addWidget(box, day / 3, day % 3);
  }
  layout->addLayout(days);
  layout->addStretch();
}

void AutomationPage::ShowJob(const JobDefinition& job) {
  minutes_spin_->setValue(job.Intervall);
  interval_box_->setChecked(job.IntEnabled);
  time_edit_->SetTime(ToQString(job.Time));
  time_box_->setChecked(job.TimeEnabled);
  const bool weekdays[] = {job.OnMonday, job.OnTuesday,  job.OnWednesday, job.OnThursday,
                           job.OnFriday, job.OnSaturday, job.OnSunday};
  for (size_t day = 0; day < weekday_boxes_.size(); ++day) {
    weekday_boxes_[day]->setChecked(weekdays[day]);
  }
}

void AutomationPage::CollectInto(JobDefinition& job) const {
  job.Intervall = minutes_spin_->value();
  job.IntEnabled = interval_box_->isChecked();
  job.Time = ToStdString(time_edit_->Time());
  job.TimeEnabled = time_box_->isChecked();
  job.OnMonday = weekday_boxes_[0]->isChecked();
  job.OnTuesday = weekday_boxes_[1]->isChecked();
  job.OnWednesday = weekday_boxes_[2]->isChecked();
  job.OnThursday = weekday_boxes_[3]->isChecked();
  job.OnFriday = weekday_boxes_[4]->isChecked();
  job.OnSaturday = weekday_boxes_[5]->isChecked();
  job.OnSunday = weekday_boxes_[6]->isChecked();
}

}  // namespace parvolind::ui
