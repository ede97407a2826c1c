#pragma once

#include "ui/controls/hover_button.h"

namespace parvolind::ui {

/// The "Ja" and "Nein" buttons of the question windows: painted in code, dark at rest
/// and lit while the window says so (the mouse is over it). A hover button that also
/// takes the focus by click, so it clicks with the space bar; named by its text.
class QuestionButton : public HoverButton {
  Q_OBJECT

 public:
  enum class Kind { kYes, kNo };

  QuestionButton(Kind kind, QWidget* parent = nullptr);

  QSize sizeHint() const override { return {72, 29}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Kind kind_;
};

}  // namespace parvolind::ui
