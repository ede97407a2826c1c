#pragma once

#include "ui/controls/hover_button.h"

namespace parvolind::ui {

/// The four job commands above the list (New, Edit, Delete, Run): an image button
/// painted in code, 54 x 31, with a glyph.
class JobButton : public HoverButton {
  Q_OBJECT

 public:
  /// The glyph on the button.
  enum class Glyph { kNew, kEdit, kDelete, kRun };

  JobButton(Glyph glyph, const QString& accessible_name, QWidget* parent = nullptr);

  QSize sizeHint() const override { return {54, 31}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintGlyph(QPainter& painter, const QRectF& box) const;

  Glyph glyph_;
};

}  // namespace parvolind::ui
