#include "ui/wizard/pages/criteria_page.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/toolkit/theme.h"
#include "ui/wizard/wizard_page_parts.h"

namespace parvolind::ui {

using namespace page_parts;

CriteriaPage::CriteriaPage(QWidget* parent) : QWidget(parent) {
  QVBoxLayout* layout = PageLayout(this, "TabKriterien");
  layout->addWidget(Heading(QStringLiteral("Kriterien für Synchronisation")));
  layout->addWidget(
      Text(QStringLiteral("Entscheiden Sie hier, welche Daten synchronisiert werden sollen.")));
  layout->addSpacing(2);
  criterion_all_ = NamedButton(new QRadioButton(QStringLiteral("Alle Dateien synchronisieren")),
                               "RadioButtonCriterionAll");
  criterion_new_ =
      NamedButton(new QRadioButton(QStringLiteral("Neue und geänderte Dateien synchronisieren")),
                  "RadioButtonCriterionNew");
  criterion_newer_ =
      NamedButton(new QRadioButton(QStringLiteral("Alte Dateien durch neue ersetzen")),
                  "RadioButtonCriterionNewer");
  layout->addWidget(criterion_all_);
  layout->addWidget(criterion_new_);
  layout->addWidget(criterion_newer_);

  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Plain);
  QPalette line_colours = line->palette();
  line_colours.setColor(QPalette::WindowText, palette::kPanelBack);
  line->setPalette(line_colours);
  layout->addSpacing(2);
  layout->addWidget(line);
  layout->addSpacing(2);

  archive_box_ = NamedButton(new QCheckBox(QStringLiteral("Archivbit")), "CheckBoxCriterionArchiv");
  layout->addWidget(archive_box_);
  layout->addWidget(
      Note(QStringLiteral("Synchronisiert nur Dateien, bei denen das Archivbit gesetzt ist.")));
  delete_box_ = NamedButton(new QCheckBox(QStringLiteral("Überzählige Dateien löschen")),
                            "CheckBoxCriterionDelete");
  layout->addWidget(delete_box_);
  layout->addWidget(Note(QStringLiteral(
      "Löscht Dateien, die im zu aktualisierenden Verzeichnis vorhanden sind, aber im "
      "Originalverzeichnis fehlen.")));
  layout->addStretch();
}

void CriteriaPage::ShowJob(const JobDefinition& job) {
  if (job.CritAll) {
    criterion_all_->setChecked(true);
  } else if (job.CritNew) {
    criterion_new_->setChecked(true);
  } else if (job.CritNewer) {
    criterion_newer_->setChecked(true);
  }
  archive_box_->setChecked(job.ArchivBit);
  delete_box_->setChecked(job.DelOthers);
}

void CriteriaPage::CollectInto(JobDefinition& job) const {
  job.CritAll = criterion_all_->isChecked();
  job.CritNew = criterion_new_->isChecked();
  job.CritNewer = criterion_newer_->isChecked();
  job.ArchivBit = archive_box_->isChecked();
  job.DelOthers = delete_box_->isChecked();
}

void CriteriaPage::ApplyTwoDirectionRule(bool both) {
  if (both) {
    criterion_all_->setEnabled(false);
    if (criterion_all_->isChecked()) criterion_new_->setChecked(true);
    delete_box_->setEnabled(false);
    delete_box_->setChecked(false);
  } else {
    criterion_all_->setEnabled(true);
    delete_box_->setEnabled(true);
  }
}

}  // namespace parvolind::ui
