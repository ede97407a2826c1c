#include "ui/wizard/fields/time_edit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

namespace parvolind::ui {
namespace {

// Position 0 is an optional hour digit, 1 a required one, then the colon and two
// required minute digits; '_' marks an unfilled position on the screen.
constexpr char kTimeMask[] = "09:99;_";
constexpr QChar kBlank = QLatin1Char('_');

}  // namespace

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

}  // namespace parvolind::ui
