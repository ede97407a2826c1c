#include "ui/wizard/pages/welcome_page.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/toolkit/qt_strings.h"
#include "ui/wizard/fields/folder_button.h"
#include "ui/wizard/wizard_page_parts.h"

namespace parvolind::ui {
namespace {

using namespace page_parts;

// A directory typed as "~/..." means the home directory, as in every shell.
std::string ExpandHome(const QString& directory) {
  if (directory == QLatin1String("~") || directory.startsWith(QLatin1String("~/"))) {
    return ToStdString(QDir::homePath() + QLatin1Char('/') + directory.mid(2));
  }
  return ToStdString(directory);
}

}  // namespace

WelcomePage::WelcomePage(QWidget* parent) : QWidget(parent) {
  QVBoxLayout* layout = PageLayout(this, "TabWelcome");
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
  layout->addWidget(sub_dirs_box_);
  layout->addStretch();
}

void WelcomePage::ShowJob(const JobDefinition& job) {
  dir1_edit_->setText(ToQString(job.Dir1));
  dir2_edit_->setText(ToQString(job.Dir2));
  sub_dirs_box_->setChecked(job.SubDirs);
}

void WelcomePage::CollectInto(JobDefinition& job) const {
  job.Dir1 = ExpandHome(dir1_edit_->text());
  job.Dir2 = ExpandHome(dir2_edit_->text());
  job.SubDirs = sub_dirs_box_->isChecked();
}

}  // namespace parvolind::ui
