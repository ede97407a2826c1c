#include "ui/shell/form_info.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>

#include "ui/art/app_emblem.h"
#include "ui/controls/link_button.h"
#include "ui/toolkit/accessible_kind.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                  const QColor& colour, const QRect& geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->setFont(font);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, colour);
  label->setPalette(colours);
  label->setAlignment(alignment);
  label->setGeometry(geometry);
  return label;
}

}  // namespace

QString VersionText(const QString& four_part) {
  QStringList parts = four_part.trimmed().split(QLatin1Char('.'));
  if (parts.size() == 1 && parts.front().isEmpty()) parts.clear();
  while (parts.size() < 4) parts.append(QStringLiteral("0"));
  parts = parts.mid(0, 4);
  for (QString& part : parts) {
    if (part.isEmpty()) part = QStringLiteral("0");
  }
  return QStringLiteral("v") + parts.join(QLatin1Char('.'));
}

TFormInfo::TFormInfo(const QString& version, QWidget* parent)
    : SkinnedWindow(parent, Qt::WindowStaysOnTopHint) {
  // First of all: an interface asked for before the mark would keep the wrong role.
  SetAccessibleKind(this, AccessibleKind::kFrame);
  setObjectName(QStringLiteral("TFormInfo"));
  setWindowTitle(QStringLiteral("Parvolind"));
  setFixedSize(309, 220);
  // The whole card is one click target that hides it, so it does not drag.
  SetDraggable(false);

  MakeLabel(this, "LabelMaker", QStringLiteral("Orbelt"), WindowFont(17, true), palette::kTitleText,
            QRect(22, 17, 160, 22));
  QFont version_font = WindowFont();
  version_font.setPointSize(8);
  version_ = MakeLabel(this, "LabelVersion", VersionText(version), version_font, palette::kVersion,
                       QRect(148, 21, 140, 16), Qt::AlignRight | Qt::AlignTop);

  MakeLabel(this, "LabelProgram", QStringLiteral("Parvolind"), WindowFont(15, true), palette::kText,
            QRect(24, 58, 160, 20));
  MakeLabel(this, "LabelProductSiteCaption", QStringLiteral("Produktseite"), WindowFont(11),
            palette::kText, QRect(24, 91, 160, 14));
  link_ = new LinkButton(QString::fromLatin1(kProductPage), this);
  link_->setObjectName(QStringLiteral("LabelProductSite"));
  link_->move(24, 105);
  connect(link_, &LinkButton::clicked, this,
          [this] { emit LinkActivated(QUrl(QString::fromLatin1(kProductPage))); });
}

void TFormInfo::Show() {
  if (!isVisible()) show();
  raise();
  activateWindow();
}

void TFormInfo::PaintSkin(QPainter& painter) {
  SkinnedWindow::PaintSkin(painter);
  PaintAppEmblem(painter, QRectF(212, 62, 72, 72));
  // A fine rule above the foot of the card.
  painter.setPen(palette::kFrameLine);
  painter.drawLine(24, 152, width() - 24, 152);
  painter.setFont(WindowFont(11));
  painter.setPen(palette::kFrameLine.darker(120));
  painter.drawText(QRect(24, 160, width() - 48, 40), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("\u00a9 Orbelt"));
}

void TFormInfo::mousePressEvent(QMouseEvent* event) { event->accept(); }

void TFormInfo::mouseReleaseEvent(QMouseEvent* event) {
  // Anywhere on the card except the link (which takes its own clicks) hides it.
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) hide();
  event->accept();
}

void TFormInfo::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  SkinnedWindow::keyPressEvent(event);
}

}  // namespace parvolind::ui
