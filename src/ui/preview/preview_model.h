#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "engine/run_action.h"

namespace parvolind::ui {

/// The actions of a preview as a table: Aktion, Datei, Größe. Holds them in one vector, so a
/// view shows 100,000 of them without a widget or an item object per row.
class PreviewModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kAction, kFile, kSize, kColumnCount };
  /// The role that sorts a column by its value (the size as a number, the action by its kind).
  static constexpr int kSortRole = Qt::UserRole;
  /// The role that gives a row's RunActionKind as an int.
  static constexpr int kKindRole = Qt::UserRole + 1;

  explicit PreviewModel(QObject* parent = nullptr);

  /// Appends `actions` as rows, in one insertion.
  void Append(std::vector<RunAction>&& actions);
  void Clear();
  const RunAction& ActionAt(int row) const { return actions_[static_cast<size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  std::vector<RunAction> actions_;
};

}  // namespace parvolind::ui
