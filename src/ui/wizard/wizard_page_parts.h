#pragma once

#include <QString>

class QLabel;
class QLineEdit;
class QVBoxLayout;
class QWidget;

namespace parvolind::ui::page_parts {

inline constexpr int kPageMargin = 12;
inline constexpr int kIndent = 20;  ///< text that explains the box above it

/// Names a control for its accessibility and for finding it by name.
template <typename Widget>
Widget* Named(Widget* widget, const char* object_name, const QString& accessible_name) {
  widget->setObjectName(QString::fromLatin1(object_name));
  widget->setAccessibleName(accessible_name);
  return widget;
}

/// Names a button by its caption.
template <typename Button>
Button* NamedButton(Button* button, const char* object_name) {
  return Named(button, object_name, button->text());
}

/// A page's heading, bold in the title colour.
QLabel* Heading(const QString& text);
/// A wrapped text, indented by `indent` pixels.
QLabel* Text(const QString& text, int indent = 0);
/// An explanation under a check box, lined up with the box's text.
QLabel* Note(const QString& text);
/// Names `page` and gives it the pages' layout.
QVBoxLayout* PageLayout(QWidget* page, const char* object_name);
/// A flat one-line field.
QLineEdit* FlatEdit(const char* object_name, const QString& accessible_name);

}  // namespace parvolind::ui::page_parts
