#include "ui/skin/main_skin.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include "ui/art/app_emblem.h"
#include "ui/skin/skinned_window.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

constexpr qreal kLeft = 33;
constexpr qreal kRight = 568;
constexpr qreal kTop = 24;
constexpr qreal kSideBottom = 379;
constexpr qreal kArcBottom = 403;
constexpr qreal kCorner = 9;
constexpr qreal kTitleBottom = 62;
constexpr qreal kSideRight = 203;

}  // namespace

QPainterPath MainWindowOutline() {
  return SkinnedWindow::OutlinePath(QRectF(kLeft, kTop, kRight - kLeft, kSideBottom - kTop),
                                    kCorner, kArcBottom - kSideBottom);
}

void PaintMainSkin(QPainter& painter, const QPainterPath& outline) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);

  // Body.
  QLinearGradient body(0, kTitleBottom, 0, kArcBottom);
  body.setColorAt(0, QColor(232, 238, 246));
  body.setColorAt(1, QColor(204, 215, 229));
  painter.fillPath(outline, body);

  painter.setClipPath(outline);
  // Title band.
  QLinearGradient title(0, kTop, 0, kTitleBottom);
  title.setColorAt(0, QColor(94, 121, 158));
  title.setColorAt(0.5, QColor(72, 97, 131));
  title.setColorAt(1, QColor(58, 80, 111));
  painter.fillRect(QRectF(kLeft, kTop, kRight - kLeft, kTitleBottom - kTop), title);
  painter.setPen(QColor(255, 255, 255, 60));
  painter.drawLine(QPointF(kLeft + 6, kTop + 1.5), QPointF(kRight - 6, kTop + 1.5));
  painter.setPen(QColor(40, 56, 80));
  painter.drawLine(QPointF(kLeft, kTitleBottom), QPointF(kRight, kTitleBottom));

  // Program name in the title band, between the menus and the close button.
  QFont name_font = WindowFont(15, true);
  painter.setFont(name_font);
  painter.setPen(QColor(255, 255, 255, 230));
  painter.drawText(QRectF(300, kTop + 6, 222, 26), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Parvolind"));

  // Side panel with the emblem.
  QLinearGradient side(kLeft, 0, kSideRight, 0);
  side.setColorAt(0, QColor(70, 95, 129));
  side.setColorAt(1, QColor(98, 125, 161));
  painter.fillRect(QRectF(kLeft, kTitleBottom + 1, kSideRight - kLeft, kArcBottom), side);
  QRadialGradient glow(QPointF(118, 170), 90);
  glow.setColorAt(0, QColor(255, 255, 255, 70));
  glow.setColorAt(1, QColor(255, 255, 255, 0));
  painter.fillRect(QRectF(kLeft, kTitleBottom + 1, kSideRight - kLeft, 260), glow);
  PaintAppEmblem(painter, QRectF(70, 122, 96, 96));
  painter.setPen(Qt::white);
  painter.setFont(WindowFont(17, true));
  painter.drawText(QRectF(kLeft, 232, kSideRight - kLeft, 24), Qt::AlignCenter,
                   QStringLiteral("Parvolind"));
  painter.setFont(WindowFont(11));
  painter.setPen(QColor(222, 232, 245));
  painter.drawText(QRectF(kLeft + 8, 258, kSideRight - kLeft - 16, 34),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   QStringLiteral("Zwei Verzeichnisse,\nein Stand."));
  painter.setPen(QColor(40, 56, 80, 120));
  painter.drawLine(QPointF(kSideRight, kTitleBottom + 1), QPointF(kSideRight, kArcBottom));

  // The area of the job buttons, the list and the clock line.
  painter.setPen(Qt::NoPen);
  QLinearGradient band(0, 66, 0, 118);
  band.setColorAt(0, QColor(244, 247, 251));
  band.setColorAt(1, palette::kPanelBack);
  painter.setBrush(band);
  painter.drawRect(QRectF(211, 66, 348, 53));
  painter.setPen(palette::kFrameLine);
  painter.drawLine(QPointF(211, 119.5), QPointF(559, 119.5));
  painter.drawLine(QPointF(211, 354.5), QPointF(559, 354.5));
  painter.setClipping(false);

  // Rim.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(40, 56, 80), 1.5));
  painter.drawPath(outline);
  painter.restore();
}

}  // namespace parvolind::ui
