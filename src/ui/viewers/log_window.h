#pragma once

#include <QString>
#include <QWidget>

#include "ui/viewers/viewer_window.h"

class QPlainTextEdit;

namespace parvolind::ui {

/// The log in a read-only viewer window of the program's own, for a desktop that has
/// no editor for it: the file as it stands when it is opened, scrolled to its end,
/// where the newest lines are. Created hidden; Esc closes it.
class LogWindow : public ViewerWindow {
  Q_OBJECT

 public:
  /// At most this much of the end of a log that has grown very large is shown.
  static constexpr qint64 kMaxShownBytes = 8 << 20;

  explicit LogWindow(QWidget* parent = nullptr);

  /// Reads the log at `path` afresh, shows it from its end and brings the window to
  /// the front. A log that cannot be read shows why.
  void ShowFile(const QString& path);

  QPlainTextEdit& Text() { return *text_; }

 private:
  QPlainTextEdit* text_;
};

}  // namespace parvolind::ui
