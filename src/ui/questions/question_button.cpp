#include "ui/questions/question_button.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ui/toolkit/theme.h"

namespace parvolind::ui {

namespace {

QString Caption(QuestionButton::Kind kind) {
  return kind == QuestionButton::Kind::kYes ? QStringLiteral("Ja") : QStringLiteral("Nein");
}

}  // namespace

QuestionButton::QuestionButton(Kind kind, QWidget* parent)
    : HoverButton(Caption(kind), parent), kind_(kind) {
  setText(Caption(kind));
  setObjectName(kind == Kind::kYes ? QStringLiteral("ImageYes") : QStringLiteral("ImageNo"));
  setFont(WindowFont(11, true));
  setFocusPolicy(Qt::StrongFocus);
  // Moves over the button belong to it; the window darkens both buttons only for moves
  // over its background.
  setAttribute(Qt::WA_NoMousePropagation);
  resize(sizeHint());
}

void QuestionButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

  QLinearGradient fill(0, 0, 0, height());
  QColor ink;
  QColor border;
  if (Lit()) {
    const QColor base = isDown() ? palette::kAccent.darker(112) : palette::kAccent;
    fill.setColorAt(0, base.lighter(125));
    fill.setColorAt(1, base);
    ink = Qt::white;
    border = palette::kSkinDark;
  } else {
    fill.setColorAt(0, Qt::white);
    fill.setColorAt(1, palette::kButtonFace);
    ink = palette::kTitleText;
    border = palette::kFrameLine;
  }
  painter.setPen(border);
  painter.setBrush(fill);
  painter.drawRoundedRect(face, 4, 4);
  if (hasFocus()) {
    painter.setPen(QPen(Lit() ? QColor(255, 255, 255, 170) : palette::kAccent, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(face.adjusted(2.5, 2.5, -2.5, -2.5), 2, 2);
  }

  // A tick or a cross before the word, the pair centred on the face.
  const int glyph = 9;
  const int gap = 6;
  const int text_width = fontMetrics().horizontalAdvance(text());
  const qreal left = (width() - glyph - gap - text_width) / 2.0;
  const qreal top = (height() - glyph) / 2.0;
  painter.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  QPainterPath mark;
  if (kind_ == Kind::kYes) {
    mark.moveTo(left, top + glyph * 0.55);
    mark.lineTo(left + glyph * 0.38, top + glyph);
    mark.lineTo(left + glyph, top);
  } else {
    mark.moveTo(left + 1, top + 1);
    mark.lineTo(left + glyph - 1, top + glyph - 1);
    mark.moveTo(left + glyph - 1, top + 1);
    mark.lineTo(left + 1, top + glyph - 1);
  }
  painter.drawPath(mark);

  painter.setPen(ink);
  painter.setFont(font());
  const QRectF text_box(left + glyph + gap, 0, text_width + 2, height());
  painter.drawText(text_box.translated(isDown() ? 1 : 0, isDown() ? 1 : 0),
                   Qt::AlignLeft | Qt::AlignVCenter, text());
}

}  // namespace parvolind::ui
