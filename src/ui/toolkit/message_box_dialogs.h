#pragma once

#include <QString>
#include <optional>

#include "ui/toolkit/dialogs.h"

class QWidget;

namespace parvolind::ui {

/// The real dialogs: message boxes and the folder dialog, owned by `parent`.
class MessageBoxDialogs : public Dialogs {
 public:
  explicit MessageBoxDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  /// The window that owns the boxes from now on.
  void SetParent(QWidget* parent) { parent_ = parent; }

  bool Ask(const QString& text) override;
  void Warn(const QString& text) override;
  void ShowError(const QString& text) override;
  std::optional<QString> ChooseFolder(const QString& title, const QString& start) override;

 private:
  QWidget* parent_;
};

}  // namespace parvolind::ui
