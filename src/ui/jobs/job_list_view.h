#pragma once

#include <QTreeWidget>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/locale.h"

namespace parvolind::ui {

/// `ListViewJobs`: one row per job, the job's name ("Auftrag", bold) and its schedule
/// text ("Durchführung", centred). Rows stay sorted by name with the locale's
/// comparison ("alpha" before "Beta"); even rows are tinted. A row holds nothing but
/// its two texts. Rows are found by their exact name.
class JobListView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit JobListView(const Locale& locale, QWidget* parent = nullptr);

  /// Removes every row.
  void RemoveAllRows();
  /// Adds a row for `job_name` at its sorted place, with no schedule text yet.
  void AddRow(const std::string& job_name);
  /// Removes the row of `job_name`; nothing when there is none.
  void RemoveRow(const std::string& job_name);
  /// Selects the row of `job_name` and scrolls it into view.
  void SelectRow(const std::string& job_name);

  /// The names of all rows, top to bottom.
  std::vector<std::string> RowNames() const;
  /// The selected row's name, if a row is selected.
  std::optional<std::string> SelectedName() const;
  /// The schedule text of the row of `job_name`; nothing when there is no such row.
  std::optional<std::string> ScheduleText(const std::string& job_name) const;
  /// Sets the schedule text of the row of `job_name`; nothing when there is no such row.
  void SetScheduleText(const std::string& job_name, const std::string& text);

 signals:
  /// The Delete key was pressed in the list.
  void DeletePressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  int SortedPosition(const std::string& job_name) const;

  const Locale& locale_;
  std::unordered_map<std::string, QTreeWidgetItem*> rows_;
};

}  // namespace parvolind::ui
