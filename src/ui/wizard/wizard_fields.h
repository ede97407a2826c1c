#pragma once

#include <QLineEdit>
#include <QSpinBox>
#include <QString>

#include "ui/toolkit/flat_button.h"

namespace parvolind::ui {

/// A number field that changes only by its arrows (or the arrow keys), one step at a
/// time, within its bounds; its text cannot be typed into, and neither the page keys
/// nor the mouse wheel move it. A number set
/// by the program is clamped to the bounds but otherwise shown as it is, also when
/// it is not a multiple of the step.
class StepSpinBox : public QSpinBox {
  Q_OBJECT

 public:
  StepSpinBox(int minimum, int maximum, int step, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
};

/// The time-of-day field "hh:mm": an optional first hour digit, a required second
/// one, a fixed colon and two required minute digits. Leaving it after a change
/// with a required digit missing reports InvalidInput() and takes the focus back;
/// Escape undoes the change.
class TimeEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TimeEdit(QWidget* parent = nullptr);

  /// Shows a stored time; a space stands for an unfilled position (" 8:30").
  void SetTime(const QString& time);
  /// The text as it is stored: five characters, unfilled positions as spaces.
  QString Time() const;
  /// After a change with a required digit missing: beeps, reports InvalidInput(),
  /// puts the focus back into the field and returns false. True otherwise.
  bool Validate();
  /// The field's page is turned while it has the focus: that loss of the focus is no
  /// leaving of the field and is not checked.
  void PageLeft() { page_left_ = true; }

 signals:
  /// A change left a required digit unfilled; the receiver tells the user.
  void InvalidInput();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString original_;  ///< what Escape brings back, in the mask's display form
  bool validating_ = false;
  bool page_left_ = false;
};

/// Whether a character may be part of a job name typed into the wizard: A-Z, a-z,
/// 0-9, space, '-', '.' and '_'.
bool IsJobNameCharacter(QChar character);

/// The job name field: typed, pasted or dropped characters outside the allowed set
/// are dropped before they reach the text. A name set by the program is shown as it
/// is.
class JobNameEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit JobNameEdit(QWidget* parent = nullptr);

  /// Shows `name` unfiltered (a stored name may hold characters that cannot be typed).
  void SetName(const QString& name);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class InsertionFilter;
  InsertionFilter* filter_;
};

/// The small flat button beside a directory field, showing a folder.
class FolderButton : public FlatButton {
  Q_OBJECT

 public:
  explicit FolderButton(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace parvolind::ui
