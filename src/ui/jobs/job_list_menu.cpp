#include "ui/jobs/job_list_menu.h"

#include <optional>

#include "ui/art/menu_glyphs.h"
#include "ui/jobs/job_list_view.h"

namespace parvolind::ui {

JobListMenu::JobListMenu(AutomationMenu& automation, JobListView& list, QWidget* parent)
    : QMenu(parent), automation_(automation), list_(list) {
  setObjectName(QStringLiteral("PopupMenuJobs"));
  bearbeiten_ = addAction(QStringLiteral("&Bearbeiten"), this, &JobListMenu::EditRequested);
  entfernen_ = addAction(QStringLiteral("&Entfernen"), this, &JobListMenu::DeleteRequested);
  addSeparator();
  durchfuehren_ = addAction(QStringLiteral("&Durchführen"), this, &JobListMenu::RunRequested);
  vorschau_ = addAction(QStringLiteral("&Vorschau"), this, &JobListMenu::PreviewRequested);
  vorschau_->setObjectName(QStringLiteral("Vorschau1"));
  automatisierung_ = addMenu(QStringLiteral("&Automatisierung"));
  inaktiv_ = automatisierung_->addAction(QStringLiteral("I&naktiv"), this, [this] {
    RunOnSelection(&AutomationMenu::ToggleInactive);
  });
  automatisierung_->addSeparator();
  manuell_ = automatisierung_->addAction(QStringLiteral("&Manuell"), this,
                                         [this] { RunOnSelection(&AutomationMenu::SetManual); });
  intervall_ = automatisierung_->addAction(QStringLiteral("&Intervall"), this, [this] {
    RunOnSelection(&AutomationMenu::ToggleInterval);
  });
  uhrzeit_ = automatisierung_->addAction(QStringLiteral("&Uhrzeit"), this,
                                         [this] { RunOnSelection(&AutomationMenu::ToggleTime); });
  for (QAction* action : {inaktiv_, manuell_, intervall_, uhrzeit_}) action->setCheckable(true);
  bearbeiten_->setIcon(MenuGlyphIcon(MenuGlyph::kEdit));
  entfernen_->setIcon(MenuGlyphIcon(MenuGlyph::kDelete));
  durchfuehren_->setIcon(MenuGlyphIcon(MenuGlyph::kRun));
  vorschau_->setIcon(MenuGlyphIcon(MenuGlyph::kPreview));
  automatisierung_->setIcon(MenuGlyphIcon(MenuGlyph::kAutomation));
  addSeparator();
  informationen_ =
      addAction(QStringLiteral("&Informationen"), this, &JobListMenu::InformationRequested);
  informationen_->setIcon(MenuGlyphIcon(MenuGlyph::kInformation));
}

void JobListMenu::PopupMenuJobsPopup() {
  automation_.ReadStateFor(list_.SelectedName());
  CopyAutomationState();
}

void JobListMenu::RunOnSelection(void (AutomationMenu::*command)(const std::string&)) {
  const std::optional<std::string> selected = list_.SelectedName();
  if (selected) (automation_.*command)(*selected);
  CopyAutomationState();
}

void JobListMenu::CopyAutomationState() {
  const AutomationMenuState& state = automation_.State();
  inaktiv_->setChecked(state.inaktiv_checked);
  manuell_->setChecked(state.manuell_checked);
  intervall_->setChecked(state.intervall_checked);
  uhrzeit_->setChecked(state.uhrzeit_checked);
  bearbeiten_->setEnabled(state.bearbeiten_enabled);
  entfernen_->setEnabled(state.entfernen_enabled);
  durchfuehren_->setEnabled(state.durchfuehren_enabled);
  // A preview is a run that changes nothing: possible where a run is.
  vorschau_->setEnabled(state.durchfuehren_enabled);
  automatisierung_->setEnabled(state.automatisierung_enabled);
  informationen_->setEnabled(state.informationen_enabled);
}

}  // namespace parvolind::ui
