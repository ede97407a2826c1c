#include "ui/viewers/help_window.h"

#include <QTextBrowser>
#include <QUrl>

namespace parvolind::ui {

HelpWindow::HelpWindow(QWidget* parent)
    : ViewerWindow(QStringLiteral("HelpWindow"), QStringLiteral("Parvolind – Hilfe"),
                   QSize(680, 560), parent) {
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setAccessibleName(QStringLiteral("Hilfe"));
  // Pages and anchors of the help open here, web addresses in the browser.
  browser_->setOpenExternalLinks(true);
  SetContent(browser_);
}

void HelpWindow::ShowPage(const QString& path) {
  browser_->setSource(QUrl::fromLocalFile(path));
  Present();
}

}  // namespace parvolind::ui
