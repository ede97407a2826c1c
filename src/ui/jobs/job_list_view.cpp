#include "ui/jobs/job_list_view.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

constexpr int kNameColumn = 0;
constexpr int kScheduleColumn = 1;
constexpr int kNameColumnWidth = 230;
// The job's name as bytes, kept beside the displayed text so that a name that is not
// valid UTF-8 still finds its key.
constexpr int kNameRole = Qt::UserRole + 1;

// Tints even rows across their full width and draws the names bold. The tint follows
// the row's current index, so rows that move up after a delete take their new colour.
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem row_option(option);
    initStyleOption(&row_option, index);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    QColor background = index.row() % 2 == 0 ? palette::kRowTint : QColor(Qt::white);
    if (selected) background = palette::kAccent;
    painter->fillRect(option.rect, background);
    QFont font = row_option.font;
    font.setBold(index.column() == kNameColumn);
    painter->setFont(font);
    painter->setPen(selected ? QColor(Qt::white) : palette::kText);
    const QRect text_rect = option.rect.adjusted(6, 0, -6, 0);
    const Qt::Alignment alignment =
        Qt::AlignVCenter | (index.column() == kNameColumn ? Qt::AlignLeft : Qt::AlignHCenter);
    const QString text =
        QFontMetrics(font).elidedText(row_option.text, Qt::ElideRight, text_rect.width());
    painter->drawText(text_rect, alignment, text);
    // The keyboard's row: a dotted line round it while the list has the focus.
    if ((option.state & QStyle::State_HasFocus) != 0) {
      painter->setPen(QPen(selected ? QColor(Qt::white) : palette::kSkinDark, 1, Qt::DotLine));
      const QRect frame = option.rect.adjusted(0, 0, -1, -1);
      painter->drawLine(frame.topLeft(), frame.topRight());
      painter->drawLine(frame.bottomLeft(), frame.bottomRight());
      if (index.column() == kNameColumn) painter->drawLine(frame.topLeft(), frame.bottomLeft());
      if (index.column() == kScheduleColumn) {
        painter->drawLine(frame.topRight(), frame.bottomRight());
      }
    }
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(19);
    return size;
  }
};

}  // namespace

JobListView::JobListView(const Locale& locale, QWidget* parent)
    : QTreeWidget(parent), locale_(locale) {
  setObjectName(QStringLiteral("ListViewJobs"));
  setAccessibleName(QStringLiteral("Aufträge"));
  setColumnCount(2);
  setHeaderLabels({QStringLiteral("Auftrag"), QStringLiteral("Durchführung")});
  headerItem()->setTextAlignment(kScheduleColumn, Qt::AlignCenter);
  header()->setSectionsClickable(false);
  header()->setSectionsMovable(false);
  header()->setStretchLastSection(true);
  header()->resizeSection(kNameColumn, kNameColumnWidth);
  header()->setFont(WindowFont(11, true));
  header()->setStyleSheet(QStringLiteral(
      "QHeaderView::section { background: #e3e9f0; color: #2d3e58; border: none;"
      " border-right: 1px solid #c8d4e2; border-bottom: 1px solid #c8d4e2; padding: 2px 6px; }"));
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setItemsExpandable(false);
  setSortingEnabled(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setFrameShape(QFrame::NoFrame);
  setFont(WindowFont(11));
  setItemDelegate(new RowDelegate(this));
  QPalette colors = palette();
  colors.setColor(QPalette::Base, Qt::white);
  setPalette(colors);
  setContextMenuPolicy(Qt::CustomContextMenu);
}

void JobListView::RemoveAllRows() {
  clear();
  rows_.clear();
}

int JobListView::SortedPosition(const std::string& job_name) const {
  // Binary search over the rows, which are always kept in order.
  int low = 0;
  int high = topLevelItemCount();
  while (low < high) {
    const int middle = (low + high) / 2;
    const std::string other =
        topLevelItem(middle)->data(kNameColumn, kNameRole).toByteArray().toStdString();
    if (locale_.CompareNames(other, job_name) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

void JobListView::AddRow(const std::string& job_name) {
  RemoveRow(job_name);
  auto* item = new QTreeWidgetItem();
  item->setText(kNameColumn, ToQString(job_name));
  item->setData(kNameColumn, kNameRole, QByteArray::fromStdString(job_name));
  item->setTextAlignment(kScheduleColumn, Qt::AlignCenter);
  insertTopLevelItem(SortedPosition(job_name), item);
  rows_[job_name] = item;
}

void JobListView::RemoveRow(const std::string& job_name) {
  const auto found = rows_.find(job_name);
  if (found == rows_.end()) return;
  delete found->second;
  rows_.erase(found);
}

void JobListView::SelectRow(const std::string& job_name) {
  const auto found = rows_.find(job_name);
  if (found == rows_.end()) return;
  setCurrentItem(found->second);
  found->second->setSelected(true);
  scrollToItem(found->second);
}

std::vector<std::string> JobListView::RowNames() const {
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(topLevelItemCount()));
  for (int i = 0; i < topLevelItemCount(); ++i) {
    names.push_back(topLevelItem(i)->data(kNameColumn, kNameRole).toByteArray().toStdString());
  }
  return names;
}

std::optional<std::string> JobListView::SelectedName() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return selected.front()->data(kNameColumn, kNameRole).toByteArray().toStdString();
}

std::optional<std::string> JobListView::ScheduleText(const std::string& job_name) const {
  const auto found = rows_.find(job_name);
  if (found == rows_.end()) return std::nullopt;
  return ToStdString(found->second->text(kScheduleColumn));
}

void JobListView::SetScheduleText(const std::string& job_name, const std::string& text) {
  const auto found = rows_.find(job_name);
  if (found == rows_.end()) return;
  found->second->setText(kScheduleColumn, ToQString(text));
}

void JobListView::focusInEvent(QFocusEvent* event) {
  // Reached with Tab and nothing selected: the keyboard starts on the current row (the
  // first) and selects it, so that the commands have a job to act on.
  const Qt::FocusReason reason = event->reason();
  if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) &&
      selectedItems().isEmpty() && topLevelItemCount() > 0) {
    QTreeWidgetItem* row = currentItem() != nullptr ? currentItem() : topLevelItem(0);
    setCurrentItem(row);
    row->setSelected(true);
  }
  QTreeWidget::focusInEvent(event);
}

void JobListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    emit DeletePressed();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

}  // namespace parvolind::ui
