#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <optional>
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

/// Sorts the preview's rows and shows only one kind of action where one is chosen.
class PreviewFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit PreviewFilter(QObject* parent = nullptr);

  /// Shows only the actions of `kind`; no kind shows all.
  void ShowOnly(std::optional<RunActionKind> kind);

 protected:
  bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

 private:
  std::optional<RunActionKind> kind_;
};

}  // namespace parvolind::ui
