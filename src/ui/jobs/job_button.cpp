#include "ui/jobs/job_button.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {

JobButton::JobButton(Glyph glyph, const QString& accessible_name, QWidget* parent)
    : HoverButton(accessible_name, parent), glyph_(glyph) {
  setToolTip(accessible_name);
  resize(54, 31);
}

void JobButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient face(frame.topLeft(), frame.bottomLeft());
  if (Lit()) {
    face.setColorAt(0, QColor(255, 255, 255));
    face.setColorAt(1, QColor(214, 226, 242));
  } else {
    face.setColorAt(0, QColor(246, 248, 251));
    face.setColorAt(1, palette::kButtonFace);
  }
  if (isDown()) {
    face.setColorAt(0, palette::kButtonPressed);
    face.setColorAt(1, palette::kButtonPressed);
  }
  painter.setPen(Lit() ? palette::kAccent : palette::kFrameLine);
  painter.setBrush(face);
  painter.drawRoundedRect(frame, 4, 4);
  // The keyboard's place, apart from the mouse's lit face: a dotted ring inside.
  if (hasFocus()) {
    painter.setPen(QPen(palette::kSkinDark, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(2.5, 2.5, -2.5, -2.5), 2, 2);
  }
  const QRectF glyph_box(frame.center().x() - 9, frame.center().y() - 9, 18, 18);
  PaintGlyph(painter, isDown() ? glyph_box.translated(1, 1) : glyph_box);
}

void JobButton::PaintGlyph(QPainter& painter, const QRectF& box) const {
  const QColor ink =
      isEnabled() ? (Lit() ? palette::kAccent : palette::kSkinDark) : palette::kFrameLine;
  QPen pen(ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  const qreal l = box.left();
  const qreal t = box.top();
  switch (glyph_) {
    case Glyph::kNew: {
      // A sheet with a folded corner and a plus.
      QPainterPath sheet;
      sheet.moveTo(l + 3, t + 1);
      sheet.lineTo(l + 11, t + 1);
      sheet.lineTo(l + 15, t + 5);
      sheet.lineTo(l + 15, t + 17);
      sheet.lineTo(l + 3, t + 17);
      sheet.closeSubpath();
      painter.setPen(QPen(ink, 1.4));
      painter.setBrush(Qt::white);
      painter.drawPath(sheet);
      painter.drawLine(QPointF(l + 11, t + 1), QPointF(l + 11, t + 5));
      painter.drawLine(QPointF(l + 11, t + 5), QPointF(l + 15, t + 5));
      painter.setPen(QPen(QColor(70, 150, 90), 2.2, Qt::SolidLine, Qt::RoundCap));
      painter.drawLine(QPointF(l + 9, t + 8), QPointF(l + 9, t + 14));
      painter.drawLine(QPointF(l + 6, t + 11), QPointF(l + 12, t + 11));
      break;
    }
    case Glyph::kEdit: {
      // A pencil, slanted.
      painter.save();
      painter.translate(box.center());
      painter.rotate(-45);
      painter.setPen(QPen(ink, 1.3));
      painter.setBrush(QColor(240, 196, 90));
      painter.drawRect(QRectF(-7, -2.5, 11, 5));
      painter.setBrush(QColor(230, 140, 140));
      painter.drawRect(QRectF(-10, -2.5, 3, 5));
      QPainterPath tip;
      tip.moveTo(4, -2.5);
      tip.lineTo(9, 0);
      tip.lineTo(4, 2.5);
      tip.closeSubpath();
      painter.setBrush(QColor(245, 230, 200));
      painter.drawPath(tip);
      painter.restore();
      break;
    }
    case Glyph::kDelete: {
      painter.setPen(QPen(QColor(190, 70, 70), 2.6, Qt::SolidLine, Qt::RoundCap));
      painter.drawLine(QPointF(l + 4, t + 4), QPointF(l + 14, t + 14));
      painter.drawLine(QPointF(l + 14, t + 4), QPointF(l + 4, t + 14));
      break;
    }
    case Glyph::kRun: {
      // Two arrows chasing each other: a run between two folders.
      painter.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap));
      painter.drawArc(QRectF(l + 2, t + 2, 14, 14), 30 * 16, 150 * 16);
      painter.drawArc(QRectF(l + 2, t + 2, 14, 14), 210 * 16, 150 * 16);
      painter.setBrush(ink);
      painter.setPen(Qt::NoPen);
      QPainterPath head1;
      head1.moveTo(l + 15.5, t + 2.5);
      head1.lineTo(l + 16.5, t + 8.5);
      head1.lineTo(l + 11, t + 6.5);
      head1.closeSubpath();
      painter.drawPath(head1);
      QPainterPath head2;
      head2.moveTo(l + 2.5, t + 15.5);
      head2.lineTo(l + 1.5, t + 9.5);
      head2.lineTo(l + 7, t + 11.5);
      head2.closeSubpath();
      painter.drawPath(head2);
      break;
    }
  }
}

}  // namespace parvolind::ui
