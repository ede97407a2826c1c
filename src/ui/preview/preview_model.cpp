#include "ui/preview/preview_model.h"

#include <QLocale>

#include "engine/preview_summary.h"
#include "ui/toolkit/qt_strings.h"

namespace parvolind::ui {

PreviewModel::PreviewModel(QObject* parent) : QAbstractTableModel(parent) {}

void PreviewModel::Append(std::vector<RunAction>&& actions) {
  if (actions.empty()) return;
  const int first = static_cast<int>(actions_.size());
  beginInsertRows({}, first, first + static_cast<int>(actions.size()) - 1);
  actions_.insert(actions_.end(), std::make_move_iterator(actions.begin()),
                  std::make_move_iterator(actions.end()));
  endInsertRows();
}

void PreviewModel::Clear() {
  beginResetModel();
  actions_.clear();
  endResetModel();
}

int PreviewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(actions_.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const RunAction& action = ActionAt(index.row());
  const bool moves_bytes =
      action.kind == RunActionKind::kCopy || action.kind == RunActionKind::kReplace;
  if (role == kKindRole) return static_cast<int>(action.kind);
  switch (role) {
    case Qt::DisplayRole:
    case kSortRole:
      switch (index.column()) {
        case kAction:
          return role == kSortRole ? QVariant(static_cast<int>(action.kind))
                                   : QVariant(ToQString(ActionWord(action.kind)));
        case kFile:
          // Where the file lands or goes; an error has only its text.
          return ToQString(action.kind == RunActionKind::kError ? action.message : action.target);
        case kSize:
          if (!moves_bytes) return role == kSortRole ? QVariant(qlonglong{-1}) : QVariant();
          return role == kSortRole ? QVariant(qlonglong{action.bytes})
                                   : QVariant(QLocale().toString(qlonglong{action.bytes}));
      }
      return {};
    case Qt::ToolTipRole:
      if (index.column() == kFile && !action.source.empty()) {
        return QStringLiteral("Von: %1").arg(ToQString(action.source));
      }
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == kSize) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
      return {};
  }
  return {};
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kAction:
      return QStringLiteral("Aktion");
    case kFile:
      return QStringLiteral("Datei");
    case kSize:
      return QStringLiteral("Größe");
  }
  return {};
}

}  // namespace parvolind::ui
