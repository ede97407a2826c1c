#pragma once

#include <QAbstractButton>

namespace parvolind::ui {

/// The four job commands above the list (New, Edit, Delete, Run): an image button
/// painted in code, 54 x 31, with a glyph and a caption. It lights up while the
/// window says so (the window decides when a lit button goes dark again). A real
/// button underneath: keyboard use and its accessible name stay standard.
class JobButton : public QAbstractButton {
  Q_OBJECT

 public:
  /// The glyph on the button.
  enum class Glyph { kNew, kEdit, kDelete, kRun };

  JobButton(Glyph glyph, const QString& accessible_name, QWidget* parent = nullptr);

  /// Shows or hides the lit picture.
  void SetLit(bool lit);
  bool Lit() const { return lit_; }

  QSize sizeHint() const override { return {54, 31}; }

 signals:
  /// The mouse moved over the button.
  void Hovered();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;

 private:
  void PaintGlyph(QPainter& painter, const QRectF& box) const;

  Glyph glyph_;
  bool lit_ = false;
};

}  // namespace parvolind::ui
