#include "ui/wizard/wizard_fields.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QValidator>
#include <QWheelEvent>
#include <algorithm>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

// Position 0 is an optional hour digit, 1 a required one, then the colon and two
// required minute digits; '_' marks an unfilled position on the screen.
constexpr char kTimeMask[] = "09:99;_";
constexpr QChar kBlank = QLatin1Char('_');

}  // namespace

StepSpinBox::StepSpinBox(int minimum, int maximum, int step, QWidget* parent) : QSpinBox(parent) {
  setRange(minimum, maximum);
  setSingleStep(step);
  // Only the text is locked: the arrows, the keys and the wheel still step.
  lineEdit()->setReadOnly(true);
  lineEdit()->setCursor(Qt::ArrowCursor);
  setAlignment(Qt::AlignRight);
}

void StepSpinBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
    event->ignore();
    return;
  }
  QSpinBox::keyPressEvent(event);
}

void StepSpinBox::wheelEvent(QWheelEvent* event) { event->ignore(); }

TimeEdit::TimeEdit(QWidget* parent) : QLineEdit(parent) {
  setInputMask(QString::fromLatin1(kTimeMask));
  setMaxLength(5);
}

void TimeEdit::SetTime(const QString& time) {
  // The mask takes an unfilled position only as its blank character, and a
  // four-character "h:mm" as the same time with an unfilled first position.
  QString shown =
      time.size() == 4 && time.at(1) == QLatin1Char(':') ? QLatin1Char(' ') + time : time;
  shown.replace(QLatin1Char(' '), kBlank);
  setText(shown);
  original_ = displayText();
}

QString TimeEdit::Time() const {
  QString time = displayText();
  time.replace(kBlank, QLatin1Char(' '));
  return time;
}

bool TimeEdit::Validate() {
  if (!isModified() || hasAcceptableInput()) return true;
  // The report may open a window that takes the focus; that focus change must not
  // report a second time.
  if (validating_) return false;
  validating_ = true;
  QApplication::beep();
  emit InvalidInput();
  setFocus(Qt::OtherFocusReason);
  validating_ = false;
  return false;
}

void TimeEdit::focusInEvent(QFocusEvent* event) {
  page_left_ = false;
  if (!isModified()) original_ = displayText();
  QLineEdit::focusInEvent(event);
}

void TimeEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Switching to another window or opening a menu is no leaving of the field.
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  if (page_left_) {
    page_left_ = false;
    return;
  }
  Validate();
}

void TimeEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && isModified()) {
    setText(original_);
    event->accept();
    return;
  }
  // A space in the optional first position leaves it unfilled, as in " 8:30".
  if (event->text() == QLatin1String(" ") && cursorPosition() == 0 && !hasSelectedText()) {
    setSelection(0, 1);
    del();
    setCursorPosition(1);
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

bool IsJobNameCharacter(QChar character) {
  const char16_t c = character.unicode();
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         c == u'-' || c == u' ' || c == u'.' || c == u'_';
}

// Filters only what an edit put into the text: the part between the longest common
// start and end of the text before and after. So a stored name with characters
// that cannot be typed keeps them while the user changes other parts.
class JobNameEdit::InsertionFilter : public QValidator {
 public:
  using QValidator::QValidator;

  void Accept(const QString& text) { accepted_ = text; }

  State validate(QString& input, int& position) const override {
    const qsizetype common = std::min(input.size(), accepted_.size());
    qsizetype prefix = 0;
    while (prefix < common && input.at(prefix) == accepted_.at(prefix)) ++prefix;
    qsizetype suffix = 0;
    while (suffix < common - prefix &&
           input.at(input.size() - 1 - suffix) == accepted_.at(accepted_.size() - 1 - suffix)) {
      ++suffix;
    }
    const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
    QString kept;
    for (const QChar c : inserted) {
      if (IsJobNameCharacter(c)) kept.append(c);
    }
    if (kept.size() != inserted.size()) {
      input = input.left(prefix) + kept + input.right(suffix);
      position = static_cast<int>(prefix + kept.size());
    }
    return Acceptable;
  }

 private:
  QString accepted_;
};

JobNameEdit::JobNameEdit(QWidget* parent) : QLineEdit(parent), filter_(new InsertionFilter(this)) {
  setValidator(filter_);
  connect(this, &QLineEdit::textChanged, this,
          [this](const QString& text) { filter_->Accept(text); });
}

void JobNameEdit::SetName(const QString& name) {
  filter_->Accept(name);
  setText(name);
}

void JobNameEdit::keyPressEvent(QKeyEvent* event) {
  // A key that would type only refused characters does nothing at all, so it
  // does not even replace a selection.
  const QString text = event->text();
  const bool refused = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
    return c.isPrint() && !IsJobNameCharacter(c);
  });
  if (refused) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

FolderButton::FolderButton(QWidget* parent) : FlatButton(QString(), parent) {}

void FolderButton::paintEvent(QPaintEvent* event) {
  FlatButton::paintEvent(event);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  // A folder 14 x 11 pixels, centred: a tab on the left of its top edge.
  const QPointF origin(width() / 2.0 - 7.0 + (isDown() ? 1 : 0),
                       height() / 2.0 - 5.5 + (isDown() ? 1 : 0));
  QPainterPath back;
  back.moveTo(origin + QPointF(0.5, 1.5));
  back.lineTo(origin + QPointF(5.0, 1.5));
  back.lineTo(origin + QPointF(6.5, 3.0));
  back.lineTo(origin + QPointF(13.5, 3.0));
  back.lineTo(origin + QPointF(13.5, 10.5));
  back.lineTo(origin + QPointF(0.5, 10.5));
  back.closeSubpath();
  const QColor outline = isEnabled() ? QColor(150, 110, 40) : palette::kFrameLine;
  painter.setPen(QPen(outline, 1.0));
  painter.setBrush(isEnabled() ? QColor(238, 196, 98) : palette::kButtonFace);
  painter.drawPath(back);
  QPainterPath front;
  front.moveTo(origin + QPointF(0.5, 10.5));
  front.lineTo(origin + QPointF(2.0, 5.0));
  front.lineTo(origin + QPointF(13.5, 5.0));
  front.lineTo(origin + QPointF(13.5, 10.5));
  front.closeSubpath();
  painter.setBrush(isEnabled() ? QColor(250, 218, 130) : palette::kButtonFace);
  painter.drawPath(front);
}

}  // namespace parvolind::ui
