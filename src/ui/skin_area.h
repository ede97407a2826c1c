#pragma once

#include <QAbstractButton>

namespace parvolind::ui {

/// A hover area of a skinned window: a menu title ("Programm", "Optionen", "Hilfe") or
/// the close button. The skin shows it; under the mouse it lights up, and it stays lit
/// until the window darkens it. A real button underneath, so it can be reached and
/// named by accessibility tools.
class SkinArea : public QAbstractButton {
  Q_OBJECT

 public:
  /// What the area shows.
  enum class Kind { kMenuTitle, kCloseButton };

  SkinArea(Kind kind, const QString& text, const QString& accessible_name,
           QWidget* parent = nullptr);

  /// Shows or hides the lit picture.
  void SetLit(bool lit);
  bool Lit() const { return lit_; }

 signals:
  /// The mouse moved over the area.
  void Hovered();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;

 private:
  Kind kind_;
  bool lit_ = false;
};

}  // namespace parvolind::ui
