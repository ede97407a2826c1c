#pragma once

class QWidget;

namespace parvolind::ui {

/// What an assistive tool (a screen reader, through AT-SPI) is to take a widget for,
/// where Qt's own interface for its class says something vaguer.
enum class AccessibleKind {
  kFrame,      ///< a top-level window of the program ("frame")
  kDialog,     ///< a question window ("dialog")
  kLink,       ///< a web address that opens when pressed ("link")
  kTextValue,  ///< a label that keeps its name and offers its changing text as its value
};

/// Marks `widget` as `kind` for assistive tools. The first call makes the program's
/// interfaces known to Qt's accessibility (once per process); a widget asked for
/// before it is marked keeps the interface it was given.
void SetAccessibleKind(QWidget* widget, AccessibleKind kind);

}  // namespace parvolind::ui
