#pragma once

#include <QPainterPath>
#include <QPoint>
#include <QWidget>

namespace parvolind::ui {

/// A frameless window with a painted skin: the window exists on screen only inside its
/// outline (a mask), the skin is drawn by PaintSkin(), and pressing the left button on
/// the bare skin drags the window. Subclasses place their controls at fixed pixel
/// positions on top.
class SkinnedWindow : public QWidget {
  Q_OBJECT

 public:
  /// `extra_flags` are added to the frameless window flags (for example
  /// Qt::WindowStaysOnTopHint).
  explicit SkinnedWindow(QWidget* parent = nullptr, Qt::WindowFlags extra_flags = {});

  /// A window outline: `body` with slightly rounded upper corners. With `bow` 0 the lower
  /// corners are rounded alike; otherwise the lower edge bows downward in a shallow arc,
  /// `bow` pixels below the body's bottom in the middle.
  static QPainterPath OutlinePath(const QRectF& body, qreal corner_radius, qreal bow = 0);

  /// Moves the window into the middle of its screen's available area.
  void CenterOnScreen();

  /// Whether pressing the left button on the bare skin drags the window (default on).
  void SetDraggable(bool draggable) { draggable_ = draggable; }

 protected:
  /// The window's outline in its own coordinates; outside it the window does not exist.
  /// By default the whole client area with slightly rounded corners.
  virtual QPainterPath Outline() const;
  /// Height of the darker band across the top of the skin.
  virtual int TitleBandHeight() const { return 44; }
  /// Paints the skin: a darker title band with a gentle gradient over a light body,
  /// inside a fine frame along the outline. The painter is clipped to the outline.
  virtual void PaintSkin(QPainter& painter);

  /// Applies Outline() as the window's mask; called on every resize.
  void UpdateMask();

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool draggable_ = true;
  bool placed_ = false;    // centred once, on the first show; after that the user's place
  bool dragging_ = false;  // a drag by hand where the platform cannot move the window
  QPoint drag_offset_;
};

}  // namespace parvolind::ui
