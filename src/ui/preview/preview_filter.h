#pragma once

#include <QSortFilterProxyModel>
#include <optional>

#include "engine/run_action.h"

namespace parvolind::ui {

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
