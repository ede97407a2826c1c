#include "ui/skin/skinned_window.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QWindow>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {

SkinnedWindow::SkinnedWindow(QWidget* parent, Qt::WindowFlags extra_flags)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | extra_flags) {
  setFont(WindowFont(11));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QPainterPath SkinnedWindow::OutlinePath(const QRectF& body, qreal corner_radius, qreal bow) {
  const qreal r = corner_radius;
  QPainterPath path;
  path.moveTo(body.left(), body.bottom() - (bow > 0 ? 0 : r));
  path.lineTo(body.left(), body.top() + r);
  path.quadTo(body.topLeft(), QPointF(body.left() + r, body.top()));
  path.lineTo(body.right() - r, body.top());
  path.quadTo(body.topRight(), QPointF(body.right(), body.top() + r));
  if (bow > 0) {
    path.lineTo(body.right(), body.bottom());
    // A quadratic curve through the middle point reaches `bow` when its control point
    // lies twice as deep.
    path.quadTo(QPointF(body.center().x(), body.bottom() + 2 * bow), body.bottomLeft());
  } else {
    path.lineTo(body.right(), body.bottom() - r);
    path.quadTo(body.bottomRight(), QPointF(body.right() - r, body.bottom()));
    path.lineTo(body.left() + r, body.bottom());
    path.quadTo(body.bottomLeft(), QPointF(body.left(), body.bottom() - r));
  }
  path.closeSubpath();
  return path;
}

QPainterPath SkinnedWindow::Outline() const { return OutlinePath(QRectF(rect()), 6); }

void SkinnedWindow::UpdateMask() { setMask(QRegion(Outline().toFillPolygon().toPolygon())); }

void SkinnedWindow::CenterOnScreen() {
  const QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (target == nullptr) return;
  QRect frame = geometry();
  frame.moveCenter(target->availableGeometry().center());
  move(frame.topLeft());
}

void SkinnedWindow::PaintSkin(QPainter& painter) {
  const QPainterPath outline = Outline();
  // The skin covers the outline's bounds, which need not be the whole client area.
  const QRectF area = outline.boundingRect();
  const qreal band_bottom = area.top() + TitleBandHeight();

  QLinearGradient body(0, band_bottom, 0, area.bottom());
  body.setColorAt(0, palette::kSkinLight.lighter(103));
  body.setColorAt(1, palette::kSkinLight);
  painter.fillRect(area, body);

  QLinearGradient title(0, area.top(), 0, band_bottom);
  title.setColorAt(0, palette::kPanelBack.lighter(104));
  title.setColorAt(1, palette::kPanelBack.darker(103));
  painter.fillRect(QRectF(area.left(), area.top(), area.width(), TitleBandHeight()), title);
  painter.setPen(palette::kFrameLine);
  painter.drawLine(QPointF(area.left(), band_bottom - 0.5),
                   QPointF(area.right(), band_bottom - 0.5));
  painter.setPen(QColor(255, 255, 255, 150));
  painter.drawLine(QPointF(area.left(), band_bottom + 0.5),
                   QPointF(area.right(), band_bottom + 0.5));

  // The frame follows the outline; half of the pen falls outside the clip, so a pen of
  // two pixels leaves one inside.
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(palette::kSkinDark, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(outline);
}

void SkinnedWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // Where the platform ignores the mask, the corners outside the outline take the
  // body's colour so that nothing undefined shows.
  painter.fillRect(rect(), palette::kSkinLight);
  painter.setClipPath(Outline());
  PaintSkin(painter);
}

void SkinnedWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateMask();
}

void SkinnedWindow::showEvent(QShowEvent* event) {
  if (!placed_) {
    placed_ = true;
    CenterOnScreen();
  }
  QWidget::showEvent(event);
}

void SkinnedWindow::mousePressEvent(QMouseEvent* event) {
  // Only the bare skin drags; presses that a child passes on (a label) do not.
  if (!draggable_ || event->button() != Qt::LeftButton ||
      childAt(event->position().toPoint()) != nullptr) {
    QWidget::mousePressEvent(event);
    return;
  }
  event->accept();
  QWindow* window = windowHandle();
  if (window != nullptr && window->startSystemMove()) return;
  dragging_ = true;
  drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void SkinnedWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - drag_offset_);
    event->accept();
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void SkinnedWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) {
    dragging_ = false;
    event->accept();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

}  // namespace parvolind::ui
