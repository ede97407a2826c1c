#pragma once

#include <QString>
#include <QWidget>

#include "ui/viewers/viewer_window.h"

class QTextBrowser;

namespace parvolind::ui {

/// The help in a window of the program's own, for a desktop that has no browser for
/// it: the help's HTML pages with their links working (the help's own pages and
/// anchors here, web addresses in the user's browser). Created hidden; Esc closes it.
class HelpWindow : public ViewerWindow {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  /// Shows the page `path` (a file of the help) and brings the window to the front.
  void ShowPage(const QString& path);

  QTextBrowser& Browser() { return *browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace parvolind::ui
