#pragma once

#include <QString>
#include <iostream>
#include <optional>

#include "ui/toolkit/dialogs.h"

namespace parvolind::tools {

/// Dialogs for the developer tools, which have nobody to answer: every question is
/// No, every folder dialog is cancelled, notices go to standard error.
class SilentDialogs : public ui::Dialogs {
 public:
  bool Ask(const QString&) override { return false; }
  void Warn(const QString& text) override { std::cerr << text.toStdString() << "\n"; }
  void ShowError(const QString& text) override { std::cerr << text.toStdString() << "\n"; }
  std::optional<QString> ChooseFolder(const QString&, const QString&) override {
    return std::nullopt;
  }
};

}  // namespace parvolind::tools
