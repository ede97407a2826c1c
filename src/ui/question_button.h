#pragma once

#include <QAbstractButton>

namespace parvolind::ui {

/// The "Ja" and "Nein" buttons of the question windows: painted in code, dark at rest
/// and lit while the window says so (the mouse is over it). A real QAbstractButton, so
/// it takes the keyboard focus, clicks with the space bar and is named for assistive
/// tools by its text.
class QuestionButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum class Kind { kYes, kNo };

  QuestionButton(Kind kind, QWidget* parent = nullptr);

  /// Shows the lit or the dark face.
  void SetLit(bool lit);
  bool IsLit() const { return lit_; }

  QSize sizeHint() const override { return {72, 29}; }

 signals:
  /// The mouse came over the button.
  void Hovered();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;

 private:
  Kind kind_;
  bool lit_ = false;
};

}  // namespace parvolind::ui
