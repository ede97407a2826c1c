#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace parvolind::ui {

/// Every message box and every system dialog the windows open goes through this
/// seam, so that tests answer them instead of hanging on a modal window.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  /// A question with Yes and No (question icon, caption "Parvolind"); true for Yes.
  virtual bool Ask(const QString& text) = 0;
  /// A notice or warning with OK and the exclamation icon (caption "Parvolind").
  virtual void Warn(const QString& text) = 0;
  /// The application's standard error box for a failure no handler catches.
  virtual void ShowError(const QString& text) = 0;
  /// The folder selection dialog: `title` above the tree, `start` preselected. Nothing
  /// when the user cancels.
  virtual std::optional<QString> ChooseFolder(const QString& title, const QString& start) = 0;
};

}  // namespace parvolind::ui
