#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

namespace parvolind::ui {

/// A plain window of the program's own that one widget fills, for showing a file where the
/// desktop has no program for it (the help, the log). A frame to assistive tools; Esc closes
/// it. Created hidden.
class ViewerWindow : public QWidget {
 protected:
  ViewerWindow(const QString& object_name, const QString& title, QSize size, QWidget* parent);

  /// Makes `content` (a child of this window) fill the window; Present() focuses it.
  void SetContent(QWidget* content);
  /// Shows the window, restoring it from a minimise, brings it to the front and gives the
  /// content the focus.
  void Present();

  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* content_ = nullptr;
};

}  // namespace parvolind::ui
