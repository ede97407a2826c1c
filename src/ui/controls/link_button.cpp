#include "ui/controls/link_button.h"

#include <QPainter>

#include "ui/toolkit/accessible_kind.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {

LinkButton::LinkButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
  // First of all: an interface asked for before the mark would keep the wrong role.
  SetAccessibleKind(this, AccessibleKind::kLink);
  setText(text);
  setAccessibleName(text);
  QFont link_font = WindowFont(11);
  link_font.setUnderline(true);
  setFont(link_font);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  resize(sizeHint());
}

QSize LinkButton::sizeHint() const {
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(text()) + 2, metrics.height()};
}

void LinkButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(isDown() ? palette::kSkinDark : palette::kAccent);
  painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
  if (hasFocus()) {
    painter.setPen(QPen(palette::kAccent, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

}  // namespace parvolind::ui
