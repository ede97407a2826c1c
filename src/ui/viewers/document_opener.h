#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace parvolind::ui {

class HelpWindow;
class LogWindow;

/// How a file is opened the way the desktop does: the callback says false when the desktop
/// could not.
using OpenUrlFunction = std::function<void(const QUrl&, std::function<void(bool opened)>)>;

/// Opens the log and the help in the user's editor or browser, or, where the desktop has none
/// for them (or there is no desktop to ask), in a window of the program's own, made when first
/// needed and kept.
class DocumentOpener : public QObject {
  Q_OBJECT

 public:
  /// The program's own windows belong to `window`; without `open_url` they are always used.
  DocumentOpener(OpenUrlFunction open_url, QWidget& window);

  /// Shows the log file `path`.
  void ShowLog(const QString& path);
  /// Shows the help page `path`.
  void ShowHelp(const QString& path);

  /// The program's own help and log windows, once they have been needed (else null).
  HelpWindow* OwnHelpWindow() const { return help_window_; }
  LogWindow* OwnLogWindow() const { return log_window_; }

 private:
  void Open(const QString& path, const std::function<void(const QString&)>& own);

  OpenUrlFunction open_url_;
  QWidget& window_;
  HelpWindow* help_window_ = nullptr;
  LogWindow* log_window_ = nullptr;
};

}  // namespace parvolind::ui
