#include "ui/wizard/pages/file_filter_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/toolkit/qt_strings.h"
#include "ui/wizard/fields/step_spin_box.h"
#include "ui/wizard/wizard_page_parts.h"

namespace parvolind::ui {

using namespace page_parts;

FileFilterPage::FileFilterPage(QWidget* parent) : QWidget(parent) {
  QVBoxLayout* layout = PageLayout(this, "TabFileFilter");
  layout->addWidget(Heading(QStringLiteral("Filter für Dateien")));
  layout->addWidget(Text(QStringLiteral(
      "Geben Sie hier an, welche Dateien von der Synchronisation ausgeschlossen werden "
      "sollen.")));
  layout->addSpacing(2);
  filter_all_ = NamedButton(new QRadioButton(QStringLiteral("Alle Dateitypen synchronisieren")),
                            "RadioButtonFileFilterAll");
  filter_only_ =
      NamedButton(new QRadioButton(QStringLiteral("Nur folgende Dateitypen synchronisieren")),
                  "RadioButtonFileFilterOnly");
  filter_except_ =
      NamedButton(new QRadioButton(QStringLiteral("Folgende Dateitypen nicht synchronisieren")),
                  "RadioButtonFileFilterExcept");
  layout->addWidget(filter_all_);
  layout->addWidget(filter_only_);
  layout->addWidget(filter_except_);

  filter_edit_ = FlatEdit("FlatEditFileFilter", QStringLiteral("Dateitypen"));
  auto* filter_row = new QHBoxLayout;
  filter_row->setContentsMargins(kIndent, 0, 0, 0);
  filter_row->addWidget(filter_edit_);
  layout->addLayout(filter_row);
  layout->addWidget(Note(QStringLiteral("(Beispiel: *.bmp;*.exe;*.doc)")));
  layout->addSpacing(6);

  filter_days_box_ = NamedButton(
      new QCheckBox(QStringLiteral("Nur Dateien synchronisieren, die innerhalb der letzten")),
      "CheckBoxFileFilterDays");
  layout->addWidget(filter_days_box_);
  filter_days_spin_ =
      Named(new StepSpinBox(1, 10000, 1), "SpinEditFileFilterDays", QStringLiteral("Tage"));
  filter_days_spin_->setFixedWidth(70);
  auto* days_row = new QHBoxLayout;
  days_row->setContentsMargins(kIndent, 0, 0, 0);
  days_row->setSpacing(6);
  days_row->addWidget(filter_days_spin_);
  days_row->addWidget(new QLabel(QStringLiteral("Tage geändert wurden.")));
  days_row->addStretch();
  layout->addLayout(days_row);
  layout->addStretch();
}

void FileFilterPage::ShowJob(const JobDefinition& job) {
  QRadioButton* const filters[] = {filter_all_, filter_only_, filter_except_};
  if (job.FilterType >= 0 && job.FilterType <= 2) filters[job.FilterType]->setChecked(true);
  filter_edit_->setText(ToQString(job.Filter));
  filter_days_box_->setChecked(job.FilterOld);
  filter_days_spin_->setValue(job.FilterValue);
}

void FileFilterPage::CollectInto(JobDefinition& job) const {
  job.FilterType = filter_only_->isChecked() ? 1 : filter_except_->isChecked() ? 2 : 0;
  job.Filter = ToStdString(filter_edit_->text());
  job.FilterOld = filter_days_box_->isChecked();
  job.FilterValue = filter_days_spin_->value();
}

}  // namespace parvolind::ui
