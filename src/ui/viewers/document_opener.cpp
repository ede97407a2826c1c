#include "ui/viewers/document_opener.h"

#include <QPointer>
#include <QWidget>
#include <utility>

#include "ui/viewers/help_window.h"
#include "ui/viewers/log_window.h"

namespace parvolind::ui {

DocumentOpener::DocumentOpener(OpenUrlFunction open_url, QWidget& window)
    : QObject(&window), open_url_(std::move(open_url)), window_(window) {}

void DocumentOpener::ShowLog(const QString& path) {
  Open(path, [this](const QString& file) {
    if (log_window_ == nullptr) log_window_ = new LogWindow(&window_);
    log_window_->ShowFile(file);
  });
}

void DocumentOpener::ShowHelp(const QString& path) {
  Open(path, [this](const QString& file) {
    if (help_window_ == nullptr) help_window_ = new HelpWindow(&window_);
    help_window_->ShowPage(file);
  });
}

void DocumentOpener::Open(const QString& path, const std::function<void(const QString&)>& own) {
  if (!open_url_) {
    own(path);
    return;
  }
  // The desktop answers later; the window may be gone by then.
  QPointer<DocumentOpener> alive(this);
  open_url_(QUrl::fromLocalFile(path), [alive, path, own](bool opened) {
    if (!opened && !alive.isNull()) own(path);
  });
}

}  // namespace parvolind::ui
