#include "ui/art/menu_glyphs.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace parvolind::ui {
namespace {

// The glyphs are drawn on a 16-unit grid; one-unit lines sit on half units so
// that they fall on whole pixels at 16 pixels.
const QColor kOutline{56, 76, 104};
const QColor kLight{240, 244, 249};
const QColor kMid{200, 212, 226};
const QColor kBlue{88, 122, 167};
const QColor kBlueDark{60, 88, 128};
const QColor kAmber{234, 150, 44};
const QColor kRed{198, 70, 60};
const QColor kGreen{70, 158, 92};
const QColor kGreenDark{44, 116, 64};
const QColor kWhite{255, 255, 255};

QBrush Vertical(double top, double bottom, const QColor& from, const QColor& to) {
  QLinearGradient gradient(0, top, 0, bottom);
  gradient.setColorAt(0, from);
  gradient.setColorAt(1, to);
  return gradient;
}

QPen Line(const QColor& colour, double width = 1.0) {
  return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A small window with a blue title band.
void Window(QPainter& p, const QRectF& frame) {
  p.setPen(Line(kOutline));
  p.setBrush(kLight);
  p.drawRoundedRect(frame, 1, 1);
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(frame.top(), frame.top() + 3, kBlue, kBlueDark));
  p.drawRect(QRectF(frame.left() + 0.5, frame.top() + 0.5, frame.width() - 1, 2.5));
}

// A round blue disc, the base of the information and help glyphs.
void BlueDisc(QPainter& p) {
  p.setPen(Line(kBlueDark));
  p.setBrush(Vertical(1, 15, QColor(122, 156, 200), kBlueDark));
  p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
}

void ShowWindow(QPainter& p) {
  Window(p, QRectF(1.5, 2.5, 13, 11));
  // An arrow pointing up out of the window: it comes to the front.
  QPainterPath arrow;
  arrow.moveTo(8, 6);
  arrow.lineTo(11.5, 9.5);
  arrow.lineTo(9.5, 9.5);
  arrow.lineTo(9.5, 12);
  arrow.lineTo(6.5, 12);
  arrow.lineTo(6.5, 9.5);
  arrow.lineTo(4.5, 9.5);
  arrow.closeSubpath();
  p.setPen(Line(QColor(176, 96, 20), 0.8));
  p.setBrush(kAmber);
  p.drawPath(arrow);
}

void Minimise(QPainter& p) {
  Window(p, QRectF(2.5, 1.5, 11, 8));
  p.setPen(Line(QColor(176, 96, 20), 0.8));
  p.setBrush(Vertical(11, 15, QColor(250, 186, 90), kAmber));
  p.drawRoundedRect(QRectF(2.5, 11.5, 11, 3), 1, 1);
}

void Quit(QPainter& p) {
  p.setBrush(Qt::NoBrush);
  p.setPen(Line(QColor(150, 44, 38), 3.2));
  p.drawArc(QRectF(2.5, 3, 11, 11), 60 * 16, -300 * 16);
  p.drawLine(QPointF(8, 1.8), QPointF(8, 7.5));
  p.setPen(Line(kRed, 1.8));
  p.drawArc(QRectF(2.5, 3, 11, 11), 60 * 16, -300 * 16);
  p.drawLine(QPointF(8, 1.8), QPointF(8, 7.5));
}

void Info(QPainter& p) {
  BlueDisc(p);
  p.setPen(Qt::NoPen);
  p.setBrush(kWhite);
  p.drawEllipse(QPointF(8, 4.8), 1.2, 1.2);
  p.drawRoundedRect(QRectF(6.9, 6.8, 2.2, 5.6), 0.6, 0.6);
}

void Help(QPainter& p) {
  BlueDisc(p);
  QPainterPath hook;
  hook.moveTo(5.6, 6.2);
  hook.cubicTo(5.6, 3.2, 10.6, 3.2, 10.6, 6.0);
  hook.cubicTo(10.6, 7.8, 8.0, 7.8, 8.0, 9.8);
  p.setBrush(Qt::NoBrush);
  p.setPen(Line(kWhite, 1.8));
  p.drawPath(hook);
  p.setPen(Qt::NoPen);
  p.setBrush(kWhite);
  p.drawEllipse(QPointF(8, 12.2), 1.1, 1.1);
}

// A sheet with a folded corner and lines of text.
void Sheet(QPainter& p) {
  QPainterPath sheet;
  sheet.moveTo(3.5, 1.5);
  sheet.lineTo(9.5, 1.5);
  sheet.lineTo(12.5, 4.5);
  sheet.lineTo(12.5, 14.5);
  sheet.lineTo(3.5, 14.5);
  sheet.closeSubpath();
  p.setPen(Line(kOutline));
  p.setBrush(kWhite);
  p.drawPath(sheet);
  QPainterPath fold;
  fold.moveTo(9.5, 1.5);
  fold.lineTo(9.5, 4.5);
  fold.lineTo(12.5, 4.5);
  p.setBrush(kMid);
  p.drawPath(fold);
}

void LogFile(QPainter& p) {
  Sheet(p);
  p.setPen(Line(kBlue, 1.0));
  const double lengths[] = {4, 5, 3, 5};
  for (int i = 0; i < 4; ++i) {
    const double y = 6.5 + 2 * i;
    p.drawLine(QPointF(5.5, y), QPointF(5.5 + lengths[i], y));
  }
}

void Backup(QPainter& p) {
  // A disk: body, label and shutter.
  QPainterPath body;
  body.moveTo(1.5, 2.5);
  body.lineTo(12, 2.5);
  body.lineTo(14.5, 5);
  body.lineTo(14.5, 14.5);
  body.lineTo(1.5, 14.5);
  body.closeSubpath();
  p.setPen(Line(kBlueDark));
  p.setBrush(Vertical(2, 15, QColor(122, 156, 200), kBlue));
  p.drawPath(body);
  p.setPen(Line(kOutline, 0.8));
  p.setBrush(kWhite);
  p.drawRect(QRectF(4, 2.5, 7, 4.5));
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber);
  p.drawRect(QRectF(5, 4, 5, 1.5));
  p.setBrush(kMid);
  p.drawRoundedRect(QRectF(4.5, 9.5, 7, 5), 0.8, 0.8);
  p.setBrush(kBlueDark);
  p.drawRect(QRectF(6, 10.5, 1.8, 3));
}

void Edit(QPainter& p) {
  p.save();
  p.translate(8, 8);
  p.rotate(-45);
  // Pencil along the x axis, point to the left (lower left once turned).
  QPainterPath body;
  body.addRect(QRectF(-3, -2, 8.5, 4));
  p.setPen(Line(kOutline, 0.9));
  p.setBrush(Vertical(-2, 2, QColor(250, 190, 96), QColor(214, 124, 30)));
  p.drawPath(body);
  p.setBrush(kBlue);
  p.drawRect(QRectF(5.5, -2, 2, 4));
  QPainterPath point;
  point.moveTo(-3, -2);
  point.lineTo(-7, 0);
  point.lineTo(-3, 2);
  point.closeSubpath();
  p.setBrush(QColor(244, 222, 186));
  p.drawPath(point);
  QPainterPath lead;
  lead.moveTo(-5.6, -0.7);
  lead.lineTo(-7, 0);
  lead.lineTo(-5.6, 0.7);
  lead.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kOutline);
  p.drawPath(lead);
  p.restore();
}

void Delete(QPainter& p) {
  p.setPen(Line(kOutline));
  // Bin with ribs.
  QPainterPath bin;
  bin.moveTo(3.5, 5.5);
  bin.lineTo(12.5, 5.5);
  bin.lineTo(11.5, 14.5);
  bin.lineTo(4.5, 14.5);
  bin.closeSubpath();
  p.setBrush(Vertical(5, 15, kLight, kMid));
  p.drawPath(bin);
  p.setPen(Line(kBlue, 1.0));
  for (const double x : {6.5, 8.0, 9.5}) p.drawLine(QPointF(x, 7.5), QPointF(x, 12.5));
  // Lid and handle in red.
  p.setPen(Line(QColor(150, 44, 38), 0.9));
  p.setBrush(kRed);
  p.drawRoundedRect(QRectF(2.5, 3, 11, 2), 0.6, 0.6);
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(6, 1.2, 4, 1.8), 0.5, 0.5);
}

void Run(QPainter& p) {
  QPainterPath play;
  play.moveTo(4.5, 2.5);
  play.lineTo(13.5, 8);
  play.lineTo(4.5, 13.5);
  play.closeSubpath();
  p.setPen(Line(kGreenDark));
  p.setBrush(Vertical(2, 14, QColor(118, 198, 132), kGreen));
  p.drawPath(play);
}

// A magnifying glass over a page: look before the run.
void Preview(QPainter& p) {
  p.setPen(Line(kOutline));
  p.setBrush(Vertical(1, 13, kWhite, kLight));
  p.drawRect(QRectF(1.5, 1.5, 9, 11));
  p.setPen(Line(kBlue, 1.0));
  p.drawLine(QPointF(3.5, 4.5), QPointF(8.5, 4.5));
  p.drawLine(QPointF(3.5, 7), QPointF(6.5, 7));
  p.setPen(Line(kOutline, 2.2));
  p.drawLine(QPointF(11.6, 11.6), QPointF(14.6, 14.6));
  p.setPen(Line(kBlueDark, 1.2));
  p.setBrush(QColor(214, 228, 244, 220));
  p.drawEllipse(QPointF(9.5, 9.5), 3.3, 3.3);
}

void Automation(QPainter& p) {
  p.setPen(Line(kOutline, 1.1));
  p.setBrush(Vertical(1, 15, kWhite, kLight));
  p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
  p.setPen(Line(kBlue, 1.0));
  p.drawLine(QPointF(8, 2.6), QPointF(8, 3.6));
  p.drawLine(QPointF(8, 12.4), QPointF(8, 13.4));
  p.drawLine(QPointF(2.6, 8), QPointF(3.6, 8));
  p.drawLine(QPointF(12.4, 8), QPointF(13.4, 8));
  p.setPen(Line(kOutline, 1.4));
  p.drawLine(QPointF(8, 8), QPointF(8, 4.6));
  p.drawLine(QPointF(8, 8), QPointF(10.8, 9.6));
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber);
  p.drawEllipse(QPointF(8, 8), 1.3, 1.3);
}

void Information(QPainter& p) {
  p.setPen(Line(kOutline));
  p.setBrush(Vertical(2, 14, kWhite, kLight));
  p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1, 1);
  p.setPen(Line(kBlue, 1.0));
  p.drawLine(QPointF(8.5, 5.5), QPointF(12.5, 5.5));
  p.drawLine(QPointF(8.5, 8), QPointF(11.5, 8));
  p.drawLine(QPointF(8.5, 10.5), QPointF(12.5, 10.5));
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawEllipse(QPointF(5, 8), 2.6, 2.6);
  p.setBrush(kWhite);
  p.drawEllipse(QPointF(5, 6.5), 0.6, 0.6);
  p.drawRect(QRectF(4.45, 7.5, 1.1, 2.6));
}

}  // namespace

void PaintMenuGlyph(QPainter& painter, MenuGlyph glyph, int size) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  switch (glyph) {
    case MenuGlyph::kShowWindow:
      ShowWindow(painter);
      break;
    case MenuGlyph::kMinimise:
      Minimise(painter);
      break;
    case MenuGlyph::kQuit:
      Quit(painter);
      break;
    case MenuGlyph::kInfo:
      Info(painter);
      break;
    case MenuGlyph::kHelp:
      Help(painter);
      break;
    case MenuGlyph::kLogFile:
      LogFile(painter);
      break;
    case MenuGlyph::kBackup:
      Backup(painter);
      break;
    case MenuGlyph::kEdit:
      Edit(painter);
      break;
    case MenuGlyph::kDelete:
      Delete(painter);
      break;
    case MenuGlyph::kRun:
      Run(painter);
      break;
    case MenuGlyph::kPreview:
      Preview(painter);
      break;
    case MenuGlyph::kAutomation:
      Automation(painter);
      break;
    case MenuGlyph::kInformation:
      Information(painter);
      break;
  }
  painter.restore();
}

QIcon MenuGlyphIcon(MenuGlyph glyph) {
  QIcon icon;
  for (const int size : {16, 32}) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PaintMenuGlyph(painter, glyph, size);
    painter.end();
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

}  // namespace parvolind::ui
