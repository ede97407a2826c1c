#include "ui/wizard/job_wizard.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <exception>

#include "platform/app_paths.h"
#include "ui/controls/flat_button.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"
#include "ui/wizard/fields/folder_button.h"
#include "ui/wizard/fields/time_edit.h"
#include "ui/wizard/pages/automation_page.h"
#include "ui/wizard/pages/criteria_page.h"
#include "ui/wizard/pages/direction_page.h"
#include "ui/wizard/pages/file_filter_page.h"
#include "ui/wizard/pages/final_page.h"
#include "ui/wizard/pages/welcome_page.h"
#include "ui/wizard/wizard_page_parts.h"

namespace parvolind::ui {
namespace {

constexpr int kDirectionPage = 1;
constexpr int kCriteriaPage = 2;

const QString kLoadFailedText = QStringLiteral("Fehler beim Laden der Auftrags-Daten!");
const QString kFolderTitle = QStringLiteral(
    "Wählen Sie hier das Verzeichnis aus, dessen Inhalt synchronisiert werden soll.");
const QString kInvalidTimeText = QStringLiteral(
    "Ungültiger Eingabewert. Mit der Taste ESC machen Sie die Änderungen rückgängig.");

constexpr int kTitleHeight = 24;
constexpr int kBarHeight = 34;
constexpr int kButtonWidth = 76;
constexpr int kButtonHeight = 22;

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
  connect(welcome_->Browse1Button(), &QPushButton::clicked, this,
          &JobWizard::FlatButtonBrowse1Click);
  connect(welcome_->Browse2Button(), &QPushButton::clicked, this,
          &JobWizard::FlatButtonBrowse2Click);
  connect(automation_->TimeField(), &TimeEdit::InvalidInput, this,
          [this] { dialogs_.ShowError(kInvalidTimeText); });

  // The first start shows the defaults as they are, the CRC-32 check ticked; Reset() differs.
  ShowJob(DefaultJob());
  ShowPage(0);
}

JobDefinition JobWizard::DefaultJob() const {
  JobDefinition job;
  job.Dir1 = ToStdString(default_dir1_);
  job.Dir2 = ToStdString(default_dir2_);
  return job;
}

void JobWizard::ShowJob(const JobDefinition& job) {
  welcome_->ShowJob(job);
  direction_->ShowJob(job);
  criteria_->ShowJob(job);
  file_filter_->ShowJob(job);
  automation_->ShowJob(job);
  final_->ShowJob(job);
  FitDirectionLabels();
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
  ShowJob(job);
  return true;
}

void JobWizard::FlatButtonNextClick() { NextOrBack(next_button_); }

void JobWizard::FlatButtonBackClick() { NextOrBack(back_button_); }

void JobWizard::FlatButtonCancelClick() { Reset(); }

void JobWizard::FlatButtonBrowse1Click() { Browse(welcome_->Dir1Edit()); }

void JobWizard::FlatButtonBrowse2Click() { Browse(welcome_->Dir2Edit()); }

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
  if (automation_->TimeField()->hasFocus()) automation_->TimeField()->PageLeft();
  pages_->setCurrentIndex(index);
  step_label_->setText(QStringLiteral("Schritt %1 von 6").arg(index + 1));
  back_button_->setVisible(index != 0);
  if (index == kDirectionPage) FitDirectionLabels();
  if (index == kCriteriaPage) criteria_->ApplyTwoDirectionRule(direction_->BothDirections());
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
  JobDefinition fresh = DefaultJob();
  fresh.CRC32 = false;  // the CRC-32 check is ticked at the wizard's first start only
  ShowJob(fresh);
  criteria_->ApplyTwoDirectionRule(false);  // every choice open again
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
  direction_->FitDirectionLabels(welcome_->Dir1Edit()->text(), welcome_->Dir2Edit()->text());
}

JobDefinition JobWizard::CollectJob() const {
  JobDefinition job;
  welcome_->CollectInto(job);
  direction_->CollectInto(job);
  criteria_->CollectInto(job);
  file_filter_->CollectInto(job);
  automation_->CollectInto(job);
  final_->CollectInto(job);
  return job;
}

void JobWizard::BuildFrame() {
  auto* title = new QLabel(QStringLiteral("Auftrags-Assistent"), this);
  title->setFont(WindowFont(11, true));
  title->setGeometry(10, 0, 180, kTitleHeight);
  QPalette title_colours = title->palette();
  title_colours.setColor(QPalette::WindowText, palette::kTitleText);
  title->setPalette(title_colours);

  step_label_ = new QLabel(this);
  step_label_->setObjectName(QStringLiteral("LabelSteps"));
  step_label_->setGeometry(190, 0, kWidth - 190 - 10, kTitleHeight);
  step_label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  step_label_->setPalette(title_colours);

  pages_ = new QStackedWidget(this);
  pages_->setObjectName(QStringLiteral("PageControlWizard"));
  pages_->setGeometry(1, kTitleHeight + 1, kWidth - 2, kHeight - kTitleHeight - kBarHeight - 2);
  welcome_ = new WelcomePage(this);
  direction_ = new DirectionPage(this);
  criteria_ = new CriteriaPage(this);
  file_filter_ = new FileFilterPage(this);
  automation_ = new AutomationPage(this);
  final_ = new FinalPage(this);
  for (QWidget* page : std::initializer_list<QWidget*>{welcome_, direction_, criteria_,
                                                       file_filter_, automation_, final_}) {
    pages_->addWidget(page);
  }

  // The buttons take the focus only from the keyboard: a click leaves it where it
  // is, so the time field checks its input once, when its page is left.
  const int button_top = kHeight - kBarHeight + (kBarHeight - kButtonHeight) / 2;
  const int cancel_left = kWidth - 10 - kButtonWidth;
  cancel_button_ = page_parts::NamedButton(new FlatButton(QStringLiteral("Abbrechen"), this),
                                           "FlatButtonCancel");
  cancel_button_->setGeometry(cancel_left, button_top, kButtonWidth, kButtonHeight);
  next_button_ =
      page_parts::NamedButton(new FlatButton(QStringLiteral("Weiter"), this), "FlatButtonNext");
  next_button_->setGeometry(cancel_left - 10 - kButtonWidth, button_top, kButtonWidth,
                            kButtonHeight);
  back_button_ =
      page_parts::NamedButton(new FlatButton(QStringLiteral("Zurück"), this), "FlatButtonBack");
  back_button_->setGeometry(cancel_left - 14 - 2 * kButtonWidth, button_top, kButtonWidth,
                            kButtonHeight);
  for (FlatButton* button : {back_button_, next_button_, cancel_button_}) {
    button->setFocusPolicy(Qt::TabFocus);
  }
  // After the page's fields Tab goes along the bar from left to right.
  setTabOrder(back_button_, next_button_);
  setTabOrder(next_button_, cancel_button_);
}

}  // namespace parvolind::ui
