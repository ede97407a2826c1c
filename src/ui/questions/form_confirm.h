#pragma once

#include "ui/questions/question_window.h"

namespace parvolind::ui {

/// `TFormConfirm`: "Bestätigung der Durchführung", asked before a due run.
class TFormConfirm : public QuestionWindow {
  Q_OBJECT

 public:
  explicit TFormConfirm(QWidget* parent = nullptr);

 protected:
  std::string MessageText(const std::string& job_name) const override;
};

}  // namespace parvolind::ui
