#pragma once

#include "ui/questions/question_window.h"

namespace parvolind::ui {

/// `TFormRecover`: "Synchronisation nachholen", asked before catching up a missed run.
class TFormRecover : public QuestionWindow {
  Q_OBJECT

 public:
  explicit TFormRecover(QWidget* parent = nullptr);

 protected:
  std::string MessageText(const std::string& job_name) const override;
};

}  // namespace parvolind::ui
