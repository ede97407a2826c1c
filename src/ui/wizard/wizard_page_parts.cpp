#include "ui/wizard/wizard_page_parts.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/toolkit/theme.h"

namespace parvolind::ui::page_parts {

QLabel* Heading(const QString& text) {
  auto* label = new QLabel(text);
  label->setFont(WindowFont(11, true));
  label->setWordWrap(true);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, palette::kTitleText);
  label->setPalette(colours);
  return label;
}

QLabel* Text(const QString& text, int indent) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  label->setIndent(indent);
  return label;
}

QLabel* Note(const QString& text) {
  QLabel* label = Text(text, kIndent);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, palette::kVersion);
  label->setPalette(colours);
  return label;
}

QVBoxLayout* PageLayout(QWidget* page, const char* object_name) {
  page->setObjectName(QString::fromLatin1(object_name));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(kPageMargin, 10, kPageMargin, 8);
  layout->setSpacing(4);
  return layout;
}

QLineEdit* FlatEdit(const char* object_name, const QString& accessible_name) {
  auto* edit = new QLineEdit;
  edit->setFixedHeight(21);
  return Named(edit, object_name, accessible_name);
}

}  // namespace parvolind::ui::page_parts
