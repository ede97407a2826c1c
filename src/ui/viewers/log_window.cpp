#include "ui/viewers/log_window.h"

#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace parvolind::ui {

LogWindow::LogWindow(QWidget* parent)
    : ViewerWindow(QStringLiteral("LogWindow"), QStringLiteral("Parvolind – Logfile"),
                   QSize(720, 500), parent) {
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("LogText"));
  text_->setAccessibleName(QStringLiteral("Logfile"));
  text_->setReadOnly(true);
  // Keyboard users move through a read-only text with a cursor.
  text_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  SetContent(text_);
}

void LogWindow::ShowFile(const QString& path) {
  QFile file(path);
  QString content;
  if (file.open(QIODevice::ReadOnly)) {
    // A log appended for years is shown from a line start near its end.
    const qint64 size = file.size();
    bool cut = false;
    if (size > kMaxShownBytes) {
      file.seek(size - kMaxShownBytes);
      cut = true;
    }
    QByteArray bytes = file.readAll();
    if (cut) bytes.remove(0, bytes.indexOf('\n') + 1);
    content = QString::fromUtf8(bytes);
    content.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  } else {
    content = QStringLiteral("Das Logfile kann nicht gelesen werden: ") + file.errorString();
  }
  text_->setPlainText(content);
  text_->moveCursor(QTextCursor::End);
  text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
  Present();
}

}  // namespace parvolind::ui
