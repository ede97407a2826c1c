#include "ui/preview/preview_filter.h"

#include "ui/preview/preview_model.h"

namespace parvolind::ui {

PreviewFilter::PreviewFilter(QObject* parent) : QSortFilterProxyModel(parent) {
  setSortRole(PreviewModel::kSortRole);
}

void PreviewFilter::ShowOnly(std::optional<RunActionKind> kind) {
  kind_ = kind;
  invalidateFilter();
}

bool PreviewFilter::filterAcceptsRow(int source_row, const QModelIndex& source_parent) const {
  if (!kind_) return true;
  const QModelIndex index = sourceModel()->index(source_row, 0, source_parent);
  return index.data(PreviewModel::kKindRole).toInt() == static_cast<int>(*kind_);
}

}  // namespace parvolind::ui
