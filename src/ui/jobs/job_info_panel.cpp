#include "ui/jobs/job_info_panel.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

#include "engine/fit_path.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

constexpr int kLabelLeft = 4;
constexpr int kLabelWidth = 340;

}  // namespace

JobInfoPanel::JobInfoPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SimplePanelJobInfo"));
  setAccessibleName(QStringLiteral("Auftrags-Informationen"));
  setAutoFillBackground(true);
  QPalette colors = palette();
  colors.setColor(QPalette::Window, Qt::white);
  setPalette(colors);

  const QFont regular = WindowFont(11);
  const QFont bold = WindowFont(11, true);
  name_ = AddLabel(QStringLiteral("Bezeichnung"), 4, 30, WindowFont(19), QString());
  name_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  AddLabel(QStringLiteral("Auftrags-Definition"), 42, 15, bold, QString());
  definition_ = AddLabel(QString(), 58, 15, regular, QStringLiteral("Auftrags-Definition"));
  AddLabel(QStringLiteral("Verzeichnis 1"), 82, 15, bold, QString());
  dir1_ = AddLabel(QString(), 98, 15, regular, QStringLiteral("Verzeichnis 1"));
  AddLabel(QStringLiteral("Verzeichnis 2"), 122, 15, bold, QString());
  dir2_ = AddLabel(QString(), 138, 15, regular, QStringLiteral("Verzeichnis 2"));
  AddLabel(QStringLiteral("Letzte Durchführung"), 162, 15, bold, QString());
  execution_ = AddLabel(QString(), 178, 15, regular, QStringLiteral("Letzte Durchführung"));

  back_ = new FlatButton(QStringLiteral("Zurück"), this);
  back_->setObjectName(QStringLiteral("FlatButtonJobInfoBack"));
  back_->setGeometry(262, 202, 80, 25);
  connect(back_, &QPushButton::clicked, this, [this] {
    hide();
    emit BackClicked();
  });
}

QLabel* JobInfoPanel::AddLabel(const QString& text, int top, int height, const QFont& font,
                               const QString& accessible_name) {
  auto* label = new QLabel(text, this);
  label->setFont(font);
  label->setGeometry(kLabelLeft + 2, top, kLabelWidth, height);
  label->setTextFormat(Qt::PlainText);
  if (font.bold()) {
    QPalette colors = label->palette();
    colors.setColor(QPalette::WindowText, palette::kTitleText);
    label->setPalette(colors);
  }
  if (!accessible_name.isEmpty()) label->setAccessibleName(accessible_name);
  return label;
}

QString JobInfoPanel::FitPath(const std::string& path) const {
  const QFontMetrics metrics(dir1_->font());
  return ToQString(FitPathToWidth(path, dir1_->width(), [&metrics](std::string_view text) {
    return metrics.horizontalAdvance(ToQString(text));
  }));
}

void JobInfoPanel::ShowJobInfo(const JobSummary& job) {
  const std::string& name = job.name;
  const std::string& definition = job.definition;
  const std::string& dir1 = job.dir1;
  const std::string& dir2 = job.dir2;
  const std::string& execution = job.execution;
  name_->setText(ToQString(name));
  definition_->setText(ToQString(definition));
  dir1_->setText(FitPath(dir1));
  dir2_->setText(FitPath(dir2));
  execution_->setText(ToQString(execution));
  // A screen reader reads each value with its heading, and a path in full.
  const auto read_as = [](QLabel* label, const char* heading, const std::string& value) {
    label->setAccessibleName(QString::fromUtf8(heading) + QStringLiteral(": ") + ToQString(value));
  };
  read_as(definition_, "Auftrags-Definition", definition);
  read_as(dir1_, "Verzeichnis 1", dir1);
  read_as(dir2_, "Verzeichnis 2", dir2);
  read_as(execution_, "Letzte Durchführung", execution);
  show();
  raise();
  back_->setFocus(Qt::OtherFocusReason);
}

void JobInfoPanel::keyPressEvent(QKeyEvent* event) {
  // Esc closes the panel as "Zurück" does.
  if (event->key() == Qt::Key_Escape) {
    back_->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void JobInfoPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  // Fine rules under the title and above the button row.
  painter.setPen(palette::kButtonFace);
  painter.drawLine(6, 36, width() - 8, 36);
  painter.drawLine(6, 197, width() - 8, 197);
}

}  // namespace parvolind::ui
