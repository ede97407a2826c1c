#include "ui/toolkit/message_box_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace parvolind::ui {
namespace {

const QString kCaption = QStringLiteral("Parvolind");

// The program's texts break lines with a lone carriage return; Qt wants '\n'.
QString Lines(const QString& text) {
  QString result = text;
  result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

}  // namespace

bool MessageBoxDialogs::Ask(const QString& text) {
  return QMessageBox::question(parent_, kCaption, Lines(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxDialogs::Warn(const QString& text) {
  QMessageBox::warning(parent_, kCaption, Lines(text));
}

void MessageBoxDialogs::ShowError(const QString& text) {
  QMessageBox::critical(parent_, kCaption, Lines(text));
}

std::optional<QString> MessageBoxDialogs::ChooseFolder(const QString& title, const QString& start) {
  const QString folder = QFileDialog::getExistingDirectory(parent_, title, start);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

}  // namespace parvolind::ui
