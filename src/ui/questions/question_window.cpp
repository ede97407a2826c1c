#include "ui/questions/question_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

#include "ui/controls/flat_check_box.h"
#include "ui/questions/question_button.h"
#include "ui/toolkit/accessible_kind.h"
#include "ui/toolkit/qt_strings.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

const QString kDontShowAgain = QStringLiteral("Dieses Fenster nicht mehr anzeigen.");

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry,
                  bool bold, const QColor& colour) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setFont(WindowFont(11, bold));
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, colour);
  label->setPalette(colours);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(geometry);
  return label;
}

}  // namespace

QuestionWindow::QuestionWindow(const Layout& layout, QWidget* parent)
    : SkinnedWindow(parent, Qt::WindowStaysOnTopHint) {
  // First of all: an interface asked for before the mark would keep the wrong role.
  SetAccessibleKind(this, AccessibleKind::kDialog);
  const QString name = QLatin1String(layout.name);
  setObjectName(QStringLiteral("TForm") + name);
  setWindowTitle(layout.title);
  setFixedSize(layout.client);
  setMouseTracking(true);
  setAttribute(Qt::WA_ShowWithoutActivating);

  MakeLabel(this, QStringLiteral("LabelInfo"), layout.title, QRect(24, 21, 260, 16), true,
            palette::kTitleText);
  message_ = MakeLabel(this, QStringLiteral("Label%11").arg(name), QString(),
                       QRect(24, 54, 260, layout.message_height), false, palette::kText);
  message_->setWordWrap(true);
  QLabel* question = MakeLabel(this, QStringLiteral("Label%12").arg(name), layout.question,
                               QRect(24, layout.question_top, 260, 28), false, palette::kText);
  question->setWordWrap(true);

  yes_ = new QuestionButton(QuestionButton::Kind::kYes, this);
  yes_->setGeometry(79, 140, 72, 29);
  no_ = new QuestionButton(QuestionButton::Kind::kNo, this);
  no_->setGeometry(157, 140, 72, 29);
  connect(yes_, &QuestionButton::clicked, this, [this] { Answer(1); });
  connect(no_, &QuestionButton::clicked, this, [this] { Answer(2); });
  buttons_ = {yes_, no_};
  connect(yes_, &QuestionButton::Hovered, this, [this] { buttons_.Light(yes_); });
  connect(no_, &QuestionButton::Hovered, this, [this] { buttons_.Light(no_); });

  check_box_ = new FlatCheckBox(this);
  check_box_->setObjectName(QStringLiteral("CheckBox%1").arg(name));
  check_box_->setAccessibleName(kDontShowAgain);
  // The box at 24,185 with room around it for its focus mark.
  check_box_->setGeometry(24 - FlatCheckBox::kFocusMargin, 185 - FlatCheckBox::kFocusMargin,
                          13 + 2 * FlatCheckBox::kFocusMargin, 13 + 2 * FlatCheckBox::kFocusMargin);
  check_label_ = MakeLabel(this, QStringLiteral("Label%13").arg(name), kDontShowAgain,
                           QRect(40, 185, 240, 14), false, palette::kText);
  check_label_->installEventFilter(this);
  setTabOrder(yes_, no_);
  setTabOrder(no_, check_box_);
}

QuestionAnswer QuestionWindow::Ask(const std::string& job_name) {
  if (loop_ != nullptr) return {false, check_box_->isChecked()};
  tag_ = 0;
  message_->setText(ToQString(MessageText(job_name)));
  buttons_.Darken();
  // On top, but the keyboard stays with the window the user is typing in: a Space or
  // Enter meant for another program must not answer (and run a job). Once the user
  // activates the window, Tab reaches the buttons and the box.
  show();
  raise();

  QPointer<QuestionWindow> alive(this);
  QEventLoop loop;
  loop_ = &loop;
  // Waits without using the processor; the window's answer, a close or the application
  // quitting ends the loop.
  if (tag_ == 0) loop.exec();
  if (alive.isNull()) return {false, false};
  loop_ = nullptr;
  if (tag_ == 0) tag_ = 2;
  hide();
  return {tag_ == 1, check_box_->isChecked()};
}

QuestionWindow::~QuestionWindow() {
  if (loop_ != nullptr) loop_->quit();
}

void QuestionWindow::Abort() {
  if (loop_ != nullptr) {
    Answer(2);
  } else {
    hide();
  }
}

void QuestionWindow::Answer(int tag) {
  if (tag_ != 0) return;
  tag_ = tag;
  hide();
  if (loop_ != nullptr) loop_->quit();
}

void QuestionWindow::closeEvent(QCloseEvent* event) {
  // The window has no title bar, but the window manager or the desktop may still close
  // it; the question must not stay unanswered.
  Answer(2);
  event->accept();
}

void QuestionWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      Answer(2);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* button = qobject_cast<QuestionButton*>(focusWidget())) {
        button->click();
        return;
      }
      break;
    default:
      break;
  }
  SkinnedWindow::keyPressEvent(event);
}

void QuestionWindow::mouseMoveEvent(QMouseEvent* event) {
  // Moves over the buttons stay with them, so this is the background (or a label).
  buttons_.Darken();
  SkinnedWindow::mouseMoveEvent(event);
}

void QuestionWindow::leaveEvent(QEvent* event) {
  buttons_.Darken();
  SkinnedWindow::leaveEvent(event);
}

bool QuestionWindow::eventFilter(QObject* watched, QEvent* event) {
  // A click on the caption beside the box toggles the box.
  if (watched == check_label_ && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        check_label_->rect().contains(mouse->position().toPoint())) {
      check_box_->toggle();
      return true;
    }
  }
  return SkinnedWindow::eventFilter(watched, event);
}

}  // namespace parvolind::ui
