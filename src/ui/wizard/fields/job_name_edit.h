#pragma once

#include <QChar>
#include <QLineEdit>
#include <QString>

namespace parvolind::ui {

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

}  // namespace parvolind::ui
