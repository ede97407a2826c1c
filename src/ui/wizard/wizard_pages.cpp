// The wizard's frame and its six pages: controls, texts, places and names.

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ui/art/chevron_image.h"
#include "ui/toolkit/theme.h"
#include "ui/wizard/job_wizard.h"
#include "ui/wizard/wizard_fields.h"

namespace parvolind::ui {
namespace {

constexpr int kTitleHeight = 24;
constexpr int kBarHeight = 34;
constexpr int kButtonWidth = 76;
constexpr int kButtonHeight = 22;
constexpr int kPageMargin = 12;
constexpr int kIndent = 20;  // text that explains the box above it

// Names a control for its accessibility and for finding it by name.
template <typename Widget>
Widget* Named(Widget* widget, const char* object_name, const QString& accessible_name) {
  widget->setObjectName(QString::fromLatin1(object_name));
  widget->setAccessibleName(accessible_name);
  return widget;
}

template <typename Button>
Button* NamedButton(Button* button, const char* object_name) {
  return Named(button, object_name, button->text());
}

QLabel* Heading(const QString& text) {
  auto* label = new QLabel(text);
  label->setFont(WindowFont(11, true));
  label->setWordWrap(true);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, palette::kTitleText);
  label->setPalette(colours);
  return label;
}

QLabel* Text(const QString& text, int indent = 0) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  label->setIndent(indent);
  return label;
}

// An explanation under a check box, lined up with the box's text.
QLabel* Note(const QString& text) {
  QLabel* label = Text(text, kIndent);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, palette::kVersion);
  label->setPalette(colours);
  return label;
}

QVBoxLayout* PageLayout(QWidget* page, const char* object_name) {
  page->setObjectName(QString::fromLatin1(object_name));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(kPageMargin, 10, kPageMargin, 8);
  layout->setSpacing(4);
  return layout;
}

QLineEdit* FlatEdit(const char* object_name, const QString& accessible_name) {
  auto* edit = new QLineEdit;
  edit->setFixedHeight(21);
  return Named(edit, object_name, accessible_name);
}

}  // namespace

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
  pages_->addWidget(BuildWelcomePage());
  pages_->addWidget(BuildDirectionPage());
  pages_->addWidget(BuildCriteriaPage());
  pages_->addWidget(BuildFileFilterPage());
  pages_->addWidget(BuildAutomationPage());
  pages_->addWidget(BuildFinalPage());

  // The buttons take the focus only from the keyboard: a click leaves it where it
  // is, so the time field checks its input once, when its page is left.
  const int button_top = kHeight - kBarHeight + (kBarHeight - kButtonHeight) / 2;
  const int cancel_left = kWidth - 10 - kButtonWidth;
  cancel_button_ =
      NamedButton(new FlatButton(QStringLiteral("Abbrechen"), this), "FlatButtonCancel");
  cancel_button_->setGeometry(cancel_left, button_top, kButtonWidth, kButtonHeight);
  next_button_ = NamedButton(new FlatButton(QStringLiteral("Weiter"), this), "FlatButtonNext");
  next_button_->setGeometry(cancel_left - 10 - kButtonWidth, button_top, kButtonWidth,
                            kButtonHeight);
  back_button_ = NamedButton(new FlatButton(QStringLiteral("Zurück"), this), "FlatButtonBack");
  back_button_->setGeometry(cancel_left - 14 - 2 * kButtonWidth, button_top, kButtonWidth,
                            kButtonHeight);
  for (FlatButton* button : {back_button_, next_button_, cancel_button_}) {
    button->setFocusPolicy(Qt::TabFocus);
  }
  // After the page's fields Tab goes along the bar from left to right.
  setTabOrder(back_button_, next_button_);
  setTabOrder(next_button_, cancel_button_);
}

QWidget* JobWizard::BuildWelcomePage() {
  auto* page = new QWidget;
  QVBoxLayout* layout = PageLayout(page, "TabWelcome");
  layout->addWidget(Heading(QStringLiteral("Willkommen beim Auftrags-Assistenten von Parvolind!")));
  layout->addWidget(
      Text(QStringLiteral("Dieser Assistent unterstützt Sie beim Vornehmen der Einstellungen für "
                          "Synchronisationsaufträge.")));
  layout->addSpacing(2);
  layout->addWidget(Text(QStringLiteral(
      "Bitte wählen Sie 2 Verzeichnisse aus, deren Inhalte synchronisiert werden sollen.")));
  layout->addSpacing(4);

  const auto directory_row = [&](const QString& caption, const char* edit_name,
                                 const char* button_name, QLineEdit*& edit, FolderButton*& button) {
    auto* label = new QLabel(caption);
    edit = FlatEdit(edit_name, caption);
    label->setBuddy(edit);
    button =
        Named(new FolderButton, button_name, QStringLiteral("Durchsuchen ") + caption.right(1));
    button->setToolTip(QStringLiteral("Durchsuchen"));
    button->setFixedSize(24, 21);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(edit);
    row->addWidget(button);
    layout->addWidget(label);
    layout->addLayout(row);
  };
  directory_row(QStringLiteral("Verzeichnis 1"), "FlatEditDir1", "FlatButtonBrowse1", dir1_edit_,
                browse1_button_);
  directory_row(QStringLiteral("Verzeichnis 2"), "FlatEditDir2", "FlatButtonBrowse2", dir2_edit_,
                browse2_button_);
  layout->addSpacing(4);
  sub_dirs_box_ =
      NamedButton(new QCheckBox(QStringLiteral("Unterverzeichnisse ebenfalls synchronisieren")),
                  "CheckBoxSubDirs");
  sub_dirs_box_->setChecked(true);
  layout->addWidget(sub_dirs_box_);
  layout->addStretch();
  return page;
}

QWidget* JobWizard::BuildDirectionPage() {
  auto* page = new QWidget;
  QVBoxLayout* layout = PageLayout(page, "TabDirection");
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
    label->setFixedSize(kWidth - 2 - 2 * kPageMargin, 21);
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
  return page;
}

QWidget* JobWizard::BuildCriteriaPage() {
  auto* page = new QWidget;
  QVBoxLayout* layout = PageLayout(page, "TabKriterien");
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
  criterion_all_->setChecked(true);
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
  delete_box_->setChecked(true);
  layout->addWidget(delete_box_);
  layout->addWidget(Note(QStringLiteral(
      "Löscht Dateien, die im zu aktualisierenden Verzeichnis vorhanden sind, aber im "
      "Originalverzeichnis fehlen.")));
  layout->addStretch();
  return page;
}

QWidget* JobWizard::BuildFileFilterPage() {
  auto* page = new QWidget;
  QVBoxLayout* layout = PageLayout(page, "TabFileFilter");
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
  filter_all_->setChecked(true);
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
  filter_days_spin_->setValue(14);
  filter_days_spin_->setFixedWidth(70);
  auto* days_row = new QHBoxLayout;
  days_row->setContentsMargins(kIndent, 0, 0, 0);
  days_row->setSpacing(6);
  days_row->addWidget(filter_days_spin_);
  days_row->addWidget(new QLabel(QStringLiteral("Tage geändert wurden.")));
  days_row->addStretch();
  layout->addLayout(days_row);
  layout->addStretch();
  return page;
}

QWidget* JobWizard::BuildAutomationPage() {
  auto* page = new QWidget;
  QVBoxLayout* layout = PageLayout(page, "TabAutomatisation");
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
  minutes_spin_->setValue(10);
  minutes_spin_->setFixedWidth(58);
  time_box_ = NamedButton(new QCheckBox(QStringLiteral("Synchronisation um")),
                          "CheckBoxAutomatisationTime");
  time_edit_ = Named(new TimeEdit, "MaskEditAutomatisationTime", QStringLiteral("Uhrzeit"));
  time_edit_->SetTime(QStringLiteral("18:00"));
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
    box->setChecked(true);
    weekday_boxes_[static_cast<size_t>(day)] = box;
    days->addWidget(box, day / 3, day % 3);
  }
  layout->addLayout(days);
  layout->addStretch();
  return page;
}

QWidget* JobWizard::BuildFinalPage() {
  auto* page = new QWidget;
  QVBoxLayout* layout = PageLayout(page, "TabFinal");
  layout->addWidget(Heading(QStringLiteral("Abschließende Einstellungen")));
  layout->addWidget(Text(QStringLiteral(
      "Nehmen Sie hier abschließende Einstellungen für diesen Synchronisations-Auftrag vor.")));
  layout->addSpacing(4);
  crc_box_ = NamedButton(new QCheckBox(QStringLiteral("CRC32-Überprüfung")), "CheckBoxFinalCRC");
  crc_box_->setChecked(true);
  layout->addWidget(crc_box_);
  layout->addWidget(Note(
      QStringLiteral("Überprüft vermeintlich gleiche Dateien auf differenzielle Datei-Inhalte.")));
  layout->addSpacing(8);

  const QString caption = QStringLiteral("Eindeutige Auftrags-Bezeichnung");
  auto* label = new QLabel(caption);
  name_edit_ = Named(new JobNameEdit, "FlatEditFinalName", caption);
  name_edit_->setFixedHeight(21);
  name_edit_->SetName(QStringLiteral("Unbenannt"));
  label->setBuddy(name_edit_);
  layout->addWidget(label);
  layout->addWidget(name_edit_);
  layout->addSpacing(4);
  layout->addWidget(Text(QStringLiteral(
      "Klicken Sie nun auf \"Fertig\", um die vorgenommen Einstellungen zu übernehmen.")));
  layout->addStretch();
  return page;
}

}  // namespace parvolind::ui
