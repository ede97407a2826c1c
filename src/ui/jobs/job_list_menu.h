#pragma once

#include <QMenu>
#include <string>

#include "schedule/automation_menu.h"

namespace parvolind::ui {

class JobListView;

/// `PopupMenuJobs`: the job list's context menu. Its automation entries work on the
/// selected job through AutomationMenu and show its state; the job commands are
/// signalled to the window.
class JobListMenu : public QMenu {
  Q_OBJECT

 public:
  JobListMenu(AutomationMenu& automation, JobListView& list, QWidget* parent = nullptr);

  /// `PopupMenuJobsPopup`: reads the selected job's automation state into the entries;
  /// called before the menu opens.
  void PopupMenuJobsPopup();

 signals:
  void EditRequested();         ///< "&Bearbeiten"
  void DeleteRequested();       ///< "&Entfernen"
  void RunRequested();          ///< "&Durchführen"
  void PreviewRequested();      ///< "&Vorschau"
  void InformationRequested();  ///< "&Informationen"

 private:
  void RunOnSelection(void (AutomationMenu::*command)(const std::string&));
  void CopyAutomationState();

  AutomationMenu& automation_;
  JobListView& list_;
  QAction* bearbeiten_;
  QAction* entfernen_;
  QAction* durchfuehren_;
  QAction* vorschau_;
  QMenu* automatisierung_;
  QAction* inaktiv_;
  QAction* manuell_;
  QAction* intervall_;
  QAction* uhrzeit_;
  QAction* informationen_;
};

}  // namespace parvolind::ui
