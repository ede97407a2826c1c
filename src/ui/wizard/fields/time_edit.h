#pragma once

#include <QLineEdit>
#include <QString>

namespace parvolind::ui {

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

}  // namespace parvolind::ui
