#include "ui/wizard/job_wizard.h"

#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <exception>

#include "engine/fit_path.h"
#include "platform/app_paths.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"
#include "ui/wizard/wizard_fields.h"

namespace parvolind::ui {
namespace {

constexpr int kDirectionPage = 1;
constexpr int kCriteriaPage = 2;
constexpr int kAutomationPage = 4;

const QString kLoadFailedText = QStringLiteral("Fehler beim Laden der Auftrags-Daten!");
const QString kFolderTitle = QStringLiteral(
    "Wählen Sie hier das Verzeichnis aus, dessen Inhalt synchronisiert werden soll.");
const QString kInvalidTimeText = QStringLiteral(
    "Ungültiger Eingabewert. Mit der Taste ESC machen Sie die Änderungen rückgängig.");

// A directory typed as "~/..." means the home directory, as in every shell.
std::string ExpandHome(const QString& directory) {
  if (directory == QLatin1String("~") || directory.startsWith(QLatin1String("~/"))) {
    return ToStdString(QDir::homePath() + QLatin1Char('/') + directory.mid(2));
  }
  return ToStdString(directory);
}

}  // namespace

JobWizard::JobWizard(JobStore& store, ScheduleComputation& schedule, Dialogs& dialogs,
                     QWidget* parent)
    : QWidget(parent),
      store_(store),
      schedule_(schedule),
      dialogs_(dialogs),
      default_dir1_(ToQString(DefaultFirstDirectory())),
      default_dir2_(ToQString(RemovableMediaDirectory())),
      last_folder_(default_dir1_) {
  setObjectName(QStringLiteral("SimplePanelWizard"));
  setFixedSize(kWidth, kHeight);
  setFont(WindowFont(11));
  BuildFrame();

  connect(next_button_, &QPushButton::clicked, this, &JobWizard::FlatButtonNextClick);
  connect(back_button_, &QPushButton::clicked, this, &JobWizard::FlatButtonBackClick);
  connect(cancel_button_, &QPushButton::clicked, this, &JobWizard::FlatButtonCancelClick);
  connect(browse1_button_, &QPushButton::clicked, this, &JobWizard::FlatButtonBrowse1Click);
  connect(browse2_button_, &QPushButton::clicked, this, &JobWizard::FlatButtonBrowse2Click);
  // Every change of a direction box, by the user or by loading and resetting.
  connect(direction_up_box_, &QCheckBox::toggled, this, &JobWizard::UpdateDirectionExplanation);
  connect(direction_down_box_, &QCheckBox::toggled, this, &JobWizard::UpdateDirectionExplanation);
  connect(time_edit_, &TimeEdit::InvalidInput, this,
          [this] { dialogs_.ShowError(kInvalidTimeText); });

  // The form's first state: the reset's values, but with the CRC check ticked.
  dir1_edit_->setText(default_dir1_);
  dir2_edit_->setText(default_dir2_);
  FitDirectionLabels();
  UpdateDirectionExplanation();
  ShowPage(0);
}

void JobWizard::FlatButtonNewClick() {
  edited_job_key_.clear();
  ShowPage(0);
}

bool JobWizard::Edit(const std::string& job_name) {
  edited_job_key_ = job_name;
  if (LoadJobData(edited_job_key_)) return true;
  edited_job_key_.clear();
  dialogs_.Warn(kLoadFailedText);
  return false;
}

bool JobWizard::LoadJobData(const std::string& job_name) {
  JobDefinition job;
  try {
    job = store_.LoadJobForEditing(job_name);
  } catch (const std::exception&) {
    return false;
  }
  name_edit_->SetName(ToQString(job.Name));
  dir1_edit_->setText(ToQString(job.Dir1));
  dir2_edit_->setText(ToQString(job.Dir2));
  sub_dirs_box_->setChecked(job.SubDirs);
  direction_up_box_->setChecked(job.DirUp);
  direction_down_box_->setChecked(job.DirDown);
  // No criterion set leaves the choice as it was.
  if (job.CritAll) {
    criterion_all_->setChecked(true);
  } else if (job.CritNew) {
    criterion_new_->setChecked(true);
  } else if (job.CritNewer) {
    criterion_newer_->setChecked(true);
  }
  archive_box_->setChecked(job.ArchivBit);
  delete_box_->setChecked(job.DelOthers);
  // An unknown filter type leaves the choice as it was.
  QRadioButton* const filters[] = {filter_all_, filter_only_, filter_except_};
  if (job.FilterType >= 0 && job.FilterType <= 2) filters[job.FilterType]->setChecked(true);
  filter_edit_->setText(ToQString(job.Filter));
  filter_days_box_->setChecked(job.FilterOld);
  filter_days_spin_->setValue(job.FilterValue);
  minutes_spin_->setValue(job.Intervall);
  interval_box_->setChecked(job.IntEnabled);
  time_edit_->SetTime(ToQString(job.Time));
  time_box_->setChecked(job.TimeEnabled);
  const bool weekdays[] = {job.OnMonday, job.OnTuesday,  job.OnWednesday, job.OnThursday,
                           job.OnFriday, job.OnSaturday, job.OnSunday};
  for (size_t day = 0; day < weekday_boxes_.size(); ++day) {
    weekday_boxes_[day]->setChecked(weekdays[day]);
  }
  crc_box_->setChecked(job.CRC32);
  UpdateDirectionExplanation();
  return true;
}

void JobWizard::FlatButtonNextClick() { NextOrBack(next_button_); }

void JobWizard::FlatButtonBackClick() { NextOrBack(back_button_); }

void JobWizard::FlatButtonCancelClick() { Reset(); }

void JobWizard::FlatButtonBrowse1Click() { Browse(dir1_edit_); }

void JobWizard::FlatButtonBrowse2Click() { Browse(dir2_edit_); }

int JobWizard::CurrentPage() const { return pages_->currentIndex(); }

QString JobWizard::StepText() const { return step_label_->text(); }

void JobWizard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int bar_top = next_button_->geometry().top() - 6;
  const int page_top = pages_->geometry().top();
  painter.fillRect(rect(), Qt::white);
  painter.fillRect(QRect(0, 0, width(), page_top), palette::kPanelBack);
  painter.fillRect(QRect(0, bar_top, width(), height() - bar_top), palette::kPanelBack);
  painter.setPen(palette::kFrameLine);
  painter.drawLine(0, page_top - 1, width() - 1, page_top - 1);
  painter.drawLine(0, bar_top, width() - 1, bar_top);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void JobWizard::NextOrBack(const QObject* sender) {
  // No page is checked: the time is tested when the user leaves its field, and "Weiter"
  // and "Zurück" always move on.
  const int page = CurrentPage();
  if (sender == back_button_) {
    if (page > 0) ShowPage(page - 1);
    return;
  }
  if (page == kPageCount - 1) {
    Save();
    return;
  }
  ShowPage(page + 1);
}

void JobWizard::ShowPage(int index) {
  // Turning the page takes the focus from the time field without the user leaving it.
  if (time_edit_->hasFocus()) time_edit_->PageLeft();
  pages_->setCurrentIndex(index);
  step_label_->setText(QStringLiteral("Schritt %1 von 6").arg(index + 1));
  back_button_->setVisible(index != 0);
  if (index == kDirectionPage) FitDirectionLabels();
  if (index == kCriteriaPage) ApplyTwoDirectionRule();
  next_button_->setText(index == kPageCount - 1 ? QStringLiteral("Fertig")
                                                : QStringLiteral("Weiter"));
  next_button_->setAccessibleName(next_button_->text());
  if (isVisible()) FocusFirstField();
}

void JobWizard::FocusFirstField() {
  // The first control of the page in the Tab order; of a group of radio buttons the
  // selected one, where Tab lands too.
  QWidget* page = pages_->currentWidget();
  for (QWidget* widget = page->nextInFocusChain(); widget != page && page->isAncestorOf(widget);
       widget = widget->nextInFocusChain()) {
    if ((widget->focusPolicy() & Qt::TabFocus) == 0 || !widget->isVisibleTo(page) ||
        !widget->isEnabled()) {
      continue;
    }
    const auto* radio = qobject_cast<QRadioButton*>(widget);
    if (radio != nullptr && radio->autoExclusive() && !radio->isChecked()) continue;
    widget->setFocus(Qt::TabFocusReason);
    return;
  }
}

void JobWizard::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // Enter presses "Weiter" ("Fertig" on the last page), or the button that has the
      // focus.
      if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        button->click();
      } else {
        next_button_->click();
      }
      return;
    case Qt::Key_Escape:
      cancel_button_->click();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void JobWizard::Save() {
  const JobDefinition job = CollectJob();
  const bool old_job_exists = !edited_job_key_.empty() && store_.JobExists(edited_job_key_);
  try {
    store_.SaveJob(job, edited_job_key_,
                   [this](const std::string& name) { return schedule_.GetJobDate(name); });
  } catch (const JobSaveRefused& refusal) {
    dialogs_.Warn(QString::fromUtf8(refusal.what()));
    return;
  } catch (const std::exception& error) {
    // A store error: shown like every error no handler expects; the wizard stays
    // open with all inputs.
    dialogs_.ShowError(QString::fromUtf8(error.what()));
    return;
  }
  emit JobSaved(ToQString(job.Name), old_job_exists);
  Reset();
}

void JobWizard::Reset() {
  next_button_->setText(QStringLiteral("Weiter"));
  back_button_->hide();
  dir1_edit_->setText(default_dir1_);
  dir2_edit_->setText(default_dir2_);
  FitDirectionLabels();
  sub_dirs_box_->setChecked(true);
  direction_up_box_->setChecked(false);
  direction_down_box_->setChecked(false);
  UpdateDirectionExplanation();
  criterion_all_->setEnabled(true);
  criterion_all_->setChecked(true);
  archive_box_->setChecked(false);
  delete_box_->setEnabled(true);
  delete_box_->setChecked(true);
  filter_all_->setChecked(true);
  filter_edit_->clear();
  filter_days_box_->setChecked(false);
  filter_days_spin_->setValue(14);
  interval_box_->setChecked(false);
  minutes_spin_->setValue(10);
  time_box_->setChecked(false);
  time_edit_->SetTime(QStringLiteral("18:00"));
  for (QCheckBox* day : weekday_boxes_) day->setChecked(true);
  crc_box_->setChecked(false);
  name_edit_->SetName(QStringLiteral("Unbenannt"));
  ShowPage(0);
  emit Closed();
}

void JobWizard::Browse(QLineEdit* field) {
  const std::optional<QString> folder = dialogs_.ChooseFolder(kFolderTitle, last_folder_);
  if (!folder) return;
  field->setText(*folder);
  last_folder_ = *folder;
}

void JobWizard::FitDirectionLabels() {
  const auto fit = [](QLabel* label, const QString& path) {
    const QFontMetrics metrics(label->font());
    const int width = label->width();
    label->setText(
        ToQString(FitPathToWidth(ToStdString(path), width, [&metrics](std::string_view text) {
          return metrics.horizontalAdvance(ToQString(text));
        })));
  };
  fit(direction_dir1_label_, dir1_edit_->text());
  fit(direction_dir2_label_, dir2_edit_->text());
}

void JobWizard::UpdateDirectionExplanation() {
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

void JobWizard::ApplyTwoDirectionRule() {
  // Both directions at once cannot copy "all files" nor delete surplus ones: each
  // side would undo the other. What the rule changes stays changed afterwards.
  if (direction_up_box_->isChecked() && direction_down_box_->isChecked()) {
    criterion_all_->setEnabled(false);
    if (criterion_all_->isChecked()) criterion_new_->setChecked(true);
    delete_box_->setEnabled(false);
    delete_box_->setChecked(false);
  } else {
    criterion_all_->setEnabled(true);
    delete_box_->setEnabled(true);
  }
}

JobDefinition JobWizard::CollectJob() const {
  JobDefinition job;
  job.Name = ToStdString(name_edit_->text());
  job.Dir1 = ExpandHome(dir1_edit_->text());
  job.Dir2 = ExpandHome(dir2_edit_->text());
  job.SubDirs = sub_dirs_box_->isChecked();
  job.DirUp = direction_up_box_->isChecked();
  job.DirDown = direction_down_box_->isChecked();
  job.CritAll = criterion_all_->isChecked();
  job.CritNew = criterion_new_->isChecked();
  job.CritNewer = criterion_newer_->isChecked();
  job.ArchivBit = archive_box_->isChecked();
  job.DelOthers = delete_box_->isChecked();
  job.FilterType = filter_only_->isChecked() ? 1 : filter_except_->isChecked() ? 2 : 0;
  job.Filter = ToStdString(filter_edit_->text());
  job.FilterOld = filter_days_box_->isChecked();
  job.FilterValue = filter_days_spin_->value();
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
  job.CRC32 = crc_box_->isChecked();
  return job;
}

}  // namespace parvolind::ui
