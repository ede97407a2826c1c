#include "ui/wizard/pages/final_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/toolkit/qt_strings.h"
#include "ui/wizard/fields/job_name_edit.h"
#include "ui/wizard/wizard_page_parts.h"

namespace parvolind::ui {

using namespace page_parts;

FinalPage::FinalPage(QWidget* parent) : QWidget(parent) {
  QVBoxLayout* layout = PageLayout(this, "TabFinal");
  layout->addWidget(Heading(QStringLiteral("Abschließende Einstellungen")));
  layout->addWidget(Text(QStringLiteral(
      "Nehmen Sie hier abschließende Einstellungen für diesen Synchronisations-Auftrag vor.")));
  layout->addSpacing(4);
  crc_box_ = NamedButton(new QCheckBox(QStringLiteral("CRC32-Überprüfung")), "CheckBoxFinalCRC");
  layout->addWidget(crc_box_);
  layout->addWidget(Note(
      QStringLiteral("Überprüft vermeintlich gleiche Dateien auf differenzielle Datei-Inhalte.")));
  layout->addSpacing(8);

  const QString caption = QStringLiteral("Eindeutige Auftrags-Bezeichnung");
  auto* label = new QLabel(caption);
  name_edit_ = Named(new JobNameEdit, "FlatEditFinalName", caption);
  name_edit_->setFixedHeight(21);
  label->setBuddy(name_edit_);
  layout->addWidget(label);
  layout->addWidget(name_edit_);
  layout->addSpacing(4);
  layout->addWidget(Text(QStringLiteral(
      "Klicken Sie nun auf \"Fertig\", um die vorgenommen Einstellungen zu übernehmen.")));
  layout->addStretch();
}

void FinalPage::ShowJob(const JobDefinition& job) {
  crc_box_->setChecked(job.CRC32);
  name_edit_->SetName(ToQString(job.Name));
}

void FinalPage::CollectInto(JobDefinition& job) const {
  job.Name = ToStdString(name_edit_->text());
  job.CRC32 = crc_box_->isChecked();
}

}  // namespace parvolind::ui
