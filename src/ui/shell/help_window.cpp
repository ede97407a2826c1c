#include "ui/shell/help_window.h"

#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/toolkit/accessible_kind.h"

namespace parvolind::ui {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  // First of all: an interface asked for before the mark would keep the wrong role.
  SetAccessibleKind(this, AccessibleKind::kFrame);
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Parvolind – Hilfe"));
  resize(680, 560);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setAccessibleName(QStringLiteral("Hilfe"));
  // Pages and anchors of the help open here, web addresses in the browser.
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
}

void HelpWindow::ShowPage(const QString& path) {
  browser_->setSource(QUrl::fromLocalFile(path));
  if (isMinimized()) {
    showNormal();
  } else {
    show();
  }
  raise();
  activateWindow();
  browser_->setFocus(Qt::OtherFocusReason);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace parvolind::ui
