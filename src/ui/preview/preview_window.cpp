#include "ui/preview/preview_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "engine/log_writer.h"
#include "engine/synchronisation_run.h"
#include "ui/controls/flat_button.h"
#include "ui/desktop/bring_to_front.h"
#include "ui/preview/preview_filter.h"
#include "ui/preview/preview_model.h"
#include "ui/run/gradient_progress_bar.h"
#include "ui/toolkit/accessible_kind.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

// The filter's entries after "Alle Aktionen", in the order of RunActionKind.
constexpr RunActionKind kFilterKinds[] = {RunActionKind::kCopy, RunActionKind::kReplace,
                                          RunActionKind::kDelete, RunActionKind::kConflict,
                                          RunActionKind::kError};

QLabel* MakeLabel(QWidget* parent, const char* name, bool bold, const QColor& colour,
                  int pixel_size = 11) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setFont(WindowFont(pixel_size, bold));
  label->setTextFormat(Qt::PlainText);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, colour);
  label->setPalette(colours);
  return label;
}

}  // namespace

PreviewWindow::PreviewWindow(PreviewServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)) {
  // First of all: an interface asked for before the mark would keep the wrong role.
  SetAccessibleKind(this, AccessibleKind::kFrame);
  setObjectName(QStringLiteral("FormPreview"));
  setWindowTitle(QStringLiteral("Vorschau"));
  setAccessibleName(QStringLiteral("Vorschau"));
  setFont(WindowFont(11));
  resize(620, 440);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, palette::kPanelBack);
  colours.setColor(QPalette::WindowText, palette::kText);
  setPalette(colours);
  setAutoFillBackground(true);

  title_ = MakeLabel(this, "LabelPreviewTitle", true, palette::kTitleText, 13);
  summary_label_ = MakeLabel(this, "LabelPreviewSummary", true, palette::kText);
  SetAccessibleKind(summary_label_, AccessibleKind::kTextValue);
  summary_label_->setAccessibleName(QStringLiteral("Zusammenfassung"));
  summary_label_->setWordWrap(true);

  progress_row_ = new QWidget(this);
  action_label_ = MakeLabel(progress_row_, "LabelPreviewAction", false, palette::kText);
  SetAccessibleKind(action_label_, AccessibleKind::kTextValue);
  action_label_->setAccessibleName(QStringLiteral("Aktueller Schritt"));
  action_label_->setMinimumWidth(100);
  bar_ = new GradientProgressBar(progress_row_);
  bar_->setObjectName(QStringLiteral("FlatProgressBarPreview"));
  bar_->setAccessibleName(QStringLiteral("Fortschritt der Vorschau"));
  bar_->setFixedHeight(19);
  button_cancel_ = new FlatButton(QStringLiteral("Abbrechen"), progress_row_);
  button_cancel_->setObjectName(QStringLiteral("FlatButtonPreviewCancel"));
  button_cancel_->setFixedSize(80, 25);
  connect(button_cancel_, &QAbstractButton::clicked, this, &PreviewWindow::CancelClicked);

  auto* filter_caption = MakeLabel(this, "LabelPreviewFilter", false, palette::kText);
  filter_caption->setText(QStringLiteral("&Aktion:"));
  filter_caption->setTextFormat(Qt::AutoText);
  filter_ = new QComboBox(this);
  filter_->setObjectName(QStringLiteral("ComboBoxPreviewFilter"));
  filter_->setAccessibleName(QStringLiteral("Aktion"));
  filter_->addItem(QStringLiteral("Alle Aktionen"));
  for (const RunActionKind kind : kFilterKinds) filter_->addItem(ToQString(ActionWord(kind)));
  filter_caption->setBuddy(filter_);
  connect(filter_, &QComboBox::currentIndexChanged, this, &PreviewWindow::FilterChanged);

  model_ = new PreviewModel(this);
  proxy_ = new PreviewFilter(this);
  proxy_->setSourceModel(model_);
  list_ = new QTreeView(this);
  list_->setObjectName(QStringLiteral("ListViewPreview"));
  list_->setAccessibleName(QStringLiteral("Aktionen"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);  // 100,000 rows scroll without measuring each
  list_->setAlternatingRowColors(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setModel(proxy_);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(PreviewModel::kAction, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(PreviewModel::kFile, QHeaderView::Stretch);
  list_->header()->setSectionResizeMode(PreviewModel::kSize, QHeaderView::ResizeToContents);
  QPalette list_colours = list_->palette();
  list_colours.setColor(QPalette::AlternateBase, palette::kRowTint);
  list_->setPalette(list_colours);

  button_run_ = new FlatButton(QStringLiteral("Durchführen"), this);
  button_run_->setObjectName(QStringLiteral("FlatButtonPreviewRun"));
  button_run_->setFixedSize(96, 25);
  connect(button_run_, &QAbstractButton::clicked, this, &PreviewWindow::RunClicked);
  button_close_ = new FlatButton(QStringLiteral("Schließen"), this);
  button_close_->setObjectName(QStringLiteral("FlatButtonPreviewClose"));
  button_close_->setFixedSize(96, 25);
  connect(button_close_, &QAbstractButton::clicked, this, &QWidget::close);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 8);
  layout->setSpacing(6);
  layout->addWidget(title_);
  layout->addWidget(summary_label_);
  auto* progress_row = new QHBoxLayout(progress_row_);
  progress_row->setContentsMargins(0, 0, 0, 0);
  progress_row->addWidget(action_label_, 1);
  progress_row->addWidget(bar_, 1);
  progress_row->addWidget(button_cancel_);
  layout->addWidget(progress_row_);
  auto* filter_row = new QHBoxLayout();
  filter_row->addWidget(filter_caption);
  filter_row->addWidget(filter_);
  filter_row->addStretch(1);
  layout->addLayout(filter_row);
  layout->addWidget(list_, 1);
  auto* button_row = new QHBoxLayout();
  button_row->addStretch(1);
  button_row->addWidget(button_run_);
  button_row->addWidget(button_close_);
  layout->addLayout(button_row);

  setTabOrder(button_cancel_, filter_);
  setTabOrder(filter_, list_);
  setTabOrder(list_, button_run_);
  setTabOrder(button_run_, button_close_);
  ShowCollecting(false);
}

void PreviewWindow::Preview(const std::string& job_name) {
  if (collecting_) {
    BringToFront(*this);
    return;
  }
  job_name_ = job_name;
  close_when_done_ = false;
  summary_ = {};
  pending_.clear();
  model_->Clear();
  // The list starts in the order the run goes; a click on a heading sorts it.
  list_->setSortingEnabled(false);
  list_->header()->setSortIndicator(-1, Qt::AscendingOrder);
  proxy_->sort(-1);
  filter_->setCurrentIndex(0);
  title_->setText(QStringLiteral("Vorschau: %1").arg(ToQString(job_name)));
  setWindowTitle(QStringLiteral("Vorschau: %1").arg(ToQString(job_name)));
  summary_label_->setText(QStringLiteral("Die Vorschau wird erstellt..."));
  bar_->SetRange64(0, 1);
  bar_->SetValue64(0);
  collecting_ = true;
  ShowCollecting(true);
  BringToFront(*this);
  button_cancel_->setFocus(Qt::OtherFocusReason);
  last_events_ = {};

  // The preview writes no log line; the log only hands it the errors the run would log.
  LogWriter log(
      std::string(), services_.fs, *this, [] { return false; }, services_.clock, services_.locale);
  SynchronisationRun run(services_.hive, services_.fs, *this, services_.control, log,
                         services_.clock, services_.locale, services_.job_date, services_.locks);
  const RunResult result = run.PreviewSynchronisation(job_name, services_.options(), *this);
  // The list takes the actions in one step: 100,000 rows inserted in the steps of the
  // collecting would cost several times the preview itself.
  model_->Append(std::move(pending_));
  pending_.clear();
  collecting_ = false;
  ShowCollecting(false);
  switch (result.outcome) {
    case RunOutcome::kCompleted:
      summary_label_->setText(ToQString(summary_.Text(services_.locale)));
      break;
    case RunOutcome::kCancelled:
      summary_label_->setText(QStringLiteral("Die Vorschau wurde abgebrochen."));
      break;
    case RunOutcome::kFailed:
      summary_label_->setText(
          QStringLiteral("Die Synchronisation würde fehlschlagen: %1")
              .arg(ToQString(result.failure_reason.empty() ? std::string("Unbekannter Fehler")
                                                           : result.failure_reason)));
      break;
  }
  // Only a preview that saw everything tells what the run would do.
  button_run_->setEnabled(result.outcome == RunOutcome::kCompleted);
  if (close_when_done_) {
    close();
    return;
  }
  if (model_->rowCount() > 0) {
    list_->setFocus(Qt::OtherFocusReason);
  } else {
    button_close_->setFocus(Qt::OtherFocusReason);
  }
}

QString PreviewWindow::SummaryText() const { return summary_label_->text(); }

void PreviewWindow::ShowCollecting(bool collecting) {
  // The progress row is there only while the preview collects; the list, the filter and
  // the two buttons only once it has ended.
  progress_row_->setVisible(collecting);
  filter_->setEnabled(!collecting);
  button_run_->setEnabled(!collecting);
  button_close_->setEnabled(!collecting);
  // Sorting 100,000 rows again for every step of the list would slow the collecting down.
  list_->setSortingEnabled(!collecting);
  if (!collecting) action_label_->clear();
}

void PreviewWindow::ShowCollected() {
  if (!pending_action_.empty()) {
    action_label_->setText(ToQString(pending_action_));
    pending_action_.clear();
  }
  summary_label_->setText(
      QStringLiteral("Die Vorschau wird erstellt... %1 Aktion(en) bisher")
          .arg(QLocale().toString(qlonglong{static_cast<qlonglong>(pending_.size())})));
}

void PreviewWindow::SetLabel(ProgressLabel label, std::string_view text) {
  if (label == ProgressLabel::kAction) pending_action_.assign(text);
}

int PreviewWindow::LabelWidth(ProgressLabel) const {
  // The run leaves room behind a path for its " wird eingelesen..." itself.
  return std::max(action_label_->width(), 200);
}

int PreviewWindow::TextWidth(ProgressLabel, std::string_view text) const {
  return QFontMetrics(action_label_->font()).horizontalAdvance(ToQString(text));
}

void PreviewWindow::SetBarRange(ProgressBar bar, int64_t minimum, int64_t maximum) {
  if (bar == ProgressBar::kTotal) bar_->SetRange64(minimum, maximum);
}

void PreviewWindow::SetBarValue(ProgressBar bar, int64_t value) {
  if (bar == ProgressBar::kTotal) bar_->SetValue64(value);
}

void PreviewWindow::ProcessEvents() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_events_ < event_interval_) return;
  last_events_ = now;
  ShowCollected();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void PreviewWindow::Report(const RunAction& action) {
  summary_.Add(action);
  pending_.push_back(action);
}

void PreviewWindow::CancelClicked() {
  if (collecting_) services_.control.SetCancelRequested(true);
}

void PreviewWindow::RunClicked() {
  const QString name = ToQString(job_name_);
  close();
  // After this window's click has been handled: the run shows its progress in the main window.
  QTimer::singleShot(0, this, [this, name] { emit RunRequested(name); });
}

void PreviewWindow::FilterChanged(int index) {
  if (index <= 0) {
    proxy_->ShowOnly(std::nullopt);
  } else {
    proxy_->ShowOnly(kFilterKinds[index - 1]);
  }
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  // Closed while collecting: the collecting stops at its next chance, and the window goes then.
  if (collecting_) {
    close_when_done_ = true;
    services_.control.SetCancelRequested(true);
    event->ignore();
    return;
  }
  event->accept();
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (collecting_) {
      CancelClicked();
    } else {
      close();
    }
    return;
  }
  QWidget::keyPressEvent(event);
}

void PreviewWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette::kFrameLine);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace parvolind::ui
