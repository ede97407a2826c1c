#include "ui/wizard/pages/direction_page.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "engine/fit_path.h"
#include "ui/art/chevron_image.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"
#include "ui/wizard/job_wizard.h"
#include "ui/wizard/wizard_page_parts.h"

namespace parvolind::ui {

using namespace page_parts;

DirectionPage::DirectionPage(QWidget* parent) : QWidget(parent) {
  QVBoxLayout* layout = PageLayout(this, "TabDirection");
  layout->addWidget(Heading(QStringLiteral("Richtung der Synchronisation")));
  layout->addWidget(Text(
      QStringLiteral("Wählen Sie hier aus, in welche Richtung(en) synchronisiert werden soll.")));
  layout->addSpacing(4);

  const auto directory_label = [](const char* object_name) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(object_name));
    label->setFont(WindowFont(11, true));
    label->setAlignment(Qt::AlignCenter);
    // The path is fitted to the label's whole width, so no side margin takes from it.
    label->setContentsMargins(0, 3, 0, 3);
    label->setFixedSize(JobWizard::kWidth - 2 - 2 * kPageMargin, 21);
    label->setAutoFillBackground(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, palette::kRowTint);
    colours.setColor(QPalette::WindowText, palette::kTitleText);
    label->setPalette(colours);
    return label;
  };
  direction_dir1_label_ = directory_label("LabelDirectionDir1");
  direction_dir2_label_ = directory_label("LabelDirectionDir2");

  // The chevrons are the boxes' own icons, so a click on them ticks the box too.
  const auto direction_box = [](const char* object_name, ChevronDirection direction,
                                const QString& name) {
    auto* box = Named(new QCheckBox, object_name, name);
    box->setIcon(QIcon(ChevronImage(direction, 24)));
    box->setIconSize(QSize(24, 24));
    box->setToolTip(name);
    return box;
  };
  direction_up_box_ = direction_box("CheckBoxDirectionUp", ChevronDirection::kUp,
                                    QStringLiteral("Von Verzeichnis 2 nach Verzeichnis 1"));
  direction_down_box_ = direction_box("CheckBoxDirectionDown", ChevronDirection::kDown,
                                      QStringLiteral("Von Verzeichnis 1 nach Verzeichnis 2"));
  auto* boxes = new QHBoxLayout;
  boxes->addStretch();
  boxes->addWidget(direction_up_box_);
  boxes->addSpacing(36);
  boxes->addWidget(direction_down_box_);
  boxes->addStretch();

  layout->addWidget(direction_dir1_label_);
  layout->addLayout(boxes);
  layout->addWidget(direction_dir2_label_);
  layout->addSpacing(6);

  auto* explanation_row = new QHBoxLayout;
  explanation_row->setSpacing(6);
  auto* caption = new QLabel(QStringLiteral("Erklärung:"));
  caption->setFont(WindowFont(11, true));
  explanation_row->addWidget(caption, 0, Qt::AlignTop);
  direction_explanation_ = Text(QString());
  direction_explanation_->setObjectName(QStringLiteral("LabelDirection3"));
  direction_explanation_->setMinimumHeight(3 * fontMetrics().height());
  direction_explanation_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  explanation_row->addWidget(direction_explanation_, 1);
  layout->addLayout(explanation_row);
  layout->addStretch();

  // Every change of a direction box, by the user or by loading and resetting.
  connect(direction_up_box_, &QCheckBox::toggled, this, &DirectionPage::UpdateDirectionExplanation);
  connect(direction_down_box_, &QCheckBox::toggled, this,
          &DirectionPage::UpdateDirectionExplanation);
}

void DirectionPage::ShowJob(const JobDefinition& job) {
  direction_up_box_->setChecked(job.DirUp);
  direction_down_box_->setChecked(job.DirDown);
  UpdateDirectionExplanation();
}

void DirectionPage::CollectInto(JobDefinition& job) const {
  job.DirUp = direction_up_box_->isChecked();
  job.DirDown = direction_down_box_->isChecked();
}

bool DirectionPage::BothDirections() const {
  return direction_up_box_->isChecked() && direction_down_box_->isChecked();
}

void DirectionPage::FitDirectionLabels(const QString& dir1, const QString& dir2) {
  const auto fit = [](QLabel* label, const QString& path) {
    const QFontMetrics metrics(label->font());
    const int width = label->width();
    label->setText(
        ToQString(FitPathToWidth(ToStdString(path), width, [&metrics](std::string_view text) {
          return metrics.horizontalAdvance(ToQString(text));
        })));
  };
  fit(direction_dir1_label_, dir1);
  fit(direction_dir2_label_, dir2);
}

void DirectionPage::UpdateDirectionExplanation() {
  const bool up = direction_up_box_->isChecked();
  const bool down = direction_down_box_->isChecked();
  QString text;
  if (up && down) {
    text = QStringLiteral(
        "Beide Verzeichnisse werden unter Berücksichtigung von vorgenommenen Einstellungen "
        "synchronisiert.");
  } else if (up) {
    text = QStringLiteral(
        "Verzeichnis 1 erhält den Inhalt von Verzeichnis 2 unter Berücksichtigung von "
        "vorgenommenen Einstellungen.");
  } else if (down) {
    text = QStringLiteral(
        "Verzeichnis 2 erhält den Inhalt von Verzeichnis 1 unter Berücksichtigung von "
        "vorgenommenen Einstellungen.");
  } else {
    text = QStringLiteral("Bei der aktuellen Auswahl wird keine Synchronisation durchgeführt.");
  }
  if (direction_explanation_->text() == text) return;
  // The label announces its new text to assistive tools itself (a change of its name);
  // the boxes carry it too, so a screen reader reads it with the box that changed it.
  direction_explanation_->setText(text);
  direction_up_box_->setAccessibleDescription(text);
  direction_down_box_->setAccessibleDescription(text);
}

}  // namespace parvolind::ui
