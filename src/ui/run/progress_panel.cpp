#include "ui/run/progress_panel.h"

#include <QLabel>
#include <QPainter>

#include "ui/controls/flat_button.h"
#include "ui/run/gradient_progress_bar.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

// The white inner panel with its one-pixel frame.
class InnerPanel : public QWidget {
 public:
  explicit InnerPanel(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(palette::kFrameLine);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  bool bold, const QColor& colour = palette::kText, int pixel_size = 11) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setFont(WindowFont(pixel_size, bold));
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, colour);
  label->setPalette(colours);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The labels keep their place and size whatever text they are given.
  label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  label->setGeometry(geometry);
  return label;
}

}  // namespace

ProgressPanel::ProgressPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SimplePanelProgress"));
  resize(348, 286);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

  MakeLabel(this, "LabelProgressTitle", QStringLiteral("Synchronisation"), QRect(4, 2, 170, 16),
            true, palette::kTitleText, 13);

  auto* inner = new InnerPanel(this);
  inner->setObjectName(QStringLiteral("SimplePanelProgressMain"));
  inner->setGeometry(-1, 23, 350, 264);

  QLabel* heading =
      MakeLabel(inner, "LabelProgressHeading", QStringLiteral("Synchronisation wird durchgeführt!"),
                QRect(6, 6, 336, 28), true);
  heading->setWordWrap(true);
  MakeLabel(inner, "LabelProgressJobCaption", QStringLiteral("Aktueller Auftrag"),
            QRect(6, 32, 336, 15), false);
  job_ = MakeLabel(inner, "LabelProgressJob", QString(), QRect(6, 48, 336, 15), true);
  MakeLabel(inner, "LabelProgressDirCaption", QStringLiteral("Synchronisation von"),
            QRect(6, 74, 336, 15), false);
  dir1_ = MakeLabel(inner, "LabelProgressDir1", QString(), QRect(6, 90, 336, 15), true);
  dir2_ = MakeLabel(inner, "LabelProgressDir2", QString(), QRect(6, 106, 336, 15), true);
  action_ = MakeLabel(inner, "LabelProgressAction", QString(), QRect(6, 136, 282, 15), false);

  actual_ = new GradientProgressBar(inner);
  actual_->setObjectName(QStringLiteral("FlatProgressBarActual"));
  actual_->setAccessibleName(QStringLiteral("Fortschritt der Datei"));
  actual_->setGeometry(6, 154, 338, 19);

  QLabel* total_caption =
      MakeLabel(inner, "LabelProgressTotal", QStringLiteral("Gesamtfortschritt"),
                QRect(6, 182, 282, 15), false);
  total_ = new GradientProgressBar(inner);
  total_->setObjectName(QStringLiteral("FlatProgressBarTotal"));
  total_->setGeometry(6, 200, 338, 19);
  total_->setAccessibleName(total_caption->text());
  total_caption->setBuddy(total_);

  cancel_ = new FlatButton(QStringLiteral("Abbrechen"), inner);
  cancel_->setObjectName(QStringLiteral("FlatButtonProgressCancel"));
  cancel_->setAccessibleName(cancel_->text());
  cancel_->setGeometry(264, 232, 80, 25);
  connect(cancel_, &QPushButton::clicked, this, &ProgressPanel::CancelClicked);

  // Hidden until a run shows it, also when its parent window is shown.
  hide();
}

QLabel* ProgressPanel::Label(ProgressLabel label) const {
  switch (label) {
    case ProgressLabel::kJob:
      return job_;
    case ProgressLabel::kDir1:
      return dir1_;
    case ProgressLabel::kDir2:
      return dir2_;
    case ProgressLabel::kAction:
      break;
  }
  return action_;
}

void ProgressPanel::SetLabel(ProgressLabel label, const QString& text) {
  QLabel* target = Label(label);
  if (target->text() != text) target->setText(text);
}

QString ProgressPanel::LabelText(ProgressLabel label) const { return Label(label)->text(); }

int ProgressPanel::LabelWidth(ProgressLabel label) const { return Label(label)->width(); }

int ProgressPanel::TextWidth(ProgressLabel label, const QString& text) const {
  return Label(label)->fontMetrics().horizontalAdvance(text);
}

GradientProgressBar& ProgressPanel::Bar(ProgressBar bar) {
  return bar == ProgressBar::kActual ? *actual_ : *total_;
}

const GradientProgressBar& ProgressPanel::Bar(ProgressBar bar) const {
  return bar == ProgressBar::kActual ? *actual_ : *total_;
}

void ProgressPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette::kPanelBack);
}

}  // namespace parvolind::ui
