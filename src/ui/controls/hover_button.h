#pragma once

#include <QAbstractButton>

namespace parvolind::ui {

/// A button of the skin that lights up under the mouse and stays lit until its window
/// darkens it again: the window, not the button, decides when a lit picture goes, so
/// the button only reports that the mouse moved over it. A real button underneath:
/// it can be reached by keyboard and is named for accessibility tools.
class HoverButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit HoverButton(const QString& accessible_name, QWidget* parent = nullptr);

  /// Shows or hides the lit picture.
  void SetLit(bool lit);
  bool Lit() const { return lit_; }

 signals:
  /// The mouse moved over the button.
  void Hovered();

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;

 private:
  bool lit_ = false;
};

}  // namespace parvolind::ui
