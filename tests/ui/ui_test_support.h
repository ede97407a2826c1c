#pragma once

#include <QApplication>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/toolkit/dialogs.h"

namespace parvolind::testing {

/// The one QApplication of the UI tests (offscreen), created on first use.
QApplication& EnsureApplication();

/// Answers the windows' message boxes and folder dialogs from a script and records
/// what was shown. An unscripted question answers No, an unscripted folder dialog
/// is cancelled, so no test can hang on a modal window.
class ScriptedDialogs : public ui::Dialogs {
 public:
  bool Ask(const QString& text) override {
    questions.push_back(text);
    // What happens while the question is on the screen.
    if (while_asking) while_asking();
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Warn(const QString& text) override { warnings.push_back(text); }
  void ShowError(const QString& text) override { errors.push_back(text); }
  std::optional<QString> ChooseFolder(const QString& title, const QString& start) override {
    folder_titles.push_back(title);
    folder_starts.push_back(start);
    if (folders.empty()) return std::nullopt;
    // Taken apart, not copied: GCC's -O2 sees a copied optional<QString> as
    // maybe uninitialized.
    const bool chosen = folders.front().has_value();
    const QString folder = folders.front().value_or(QString());
    folders.pop_front();
    if (!chosen) return std::nullopt;
    return folder;
  }

  std::function<void()> while_asking;          ///< runs inside every question
  std::deque<bool> answers;                    ///< answers to the next questions
  std::deque<std::optional<QString>> folders;  ///< next folder choices (nothing = cancel)
  std::vector<QString> questions;
  std::vector<QString> warnings;
  std::vector<QString> errors;
  std::vector<QString> folder_titles;
  std::vector<QString> folder_starts;
};

}  // namespace parvolind::testing
