// render_icons: writes the application icon for the desktop's icon theme, drawn
// by the same code as the program's window icon, so the repository holds no
// pictures. Usage: render_icons OUTPUT_FOLDER
// Creates OUTPUT_FOLDER/NxN/apps/parvolind.png for the usual sizes and
// OUTPUT_FOLDER/scalable/apps/parvolind.svg.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>

#include "ui/art/app_emblem.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_icons OUTPUT_FOLDER\n");
    return 2;
  }
  // Drawing needs no screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QDir output(QString::fromLocal8Bit(argv[1]));

  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = output.filePath(QStringLiteral("%1x%1/apps").arg(size));
    const QString file = folder + QStringLiteral("/parvolind.png");
    if (!QDir().mkpath(folder) || !parvolind::ui::AppEmblemImage(size).save(file, "PNG")) {
      std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  const QString folder = output.filePath(QStringLiteral("scalable/apps"));
  QFile svg(folder + QStringLiteral("/parvolind.svg"));
  if (!QDir().mkpath(folder) || !svg.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      svg.write(parvolind::ui::AppEmblemSvg().toUtf8()) < 0) {
    std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(svg.fileName()));
    return 1;
  }
  return 0;
}
