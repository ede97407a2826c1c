#include "ui/viewers/viewer_window.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "ui/desktop/bring_to_front.h"
#include "ui/toolkit/accessible_kind.h"

namespace parvolind::ui {

ViewerWindow::ViewerWindow(const QString& object_name, const QString& title, QSize size,
                           QWidget* parent)
    : QWidget(parent, Qt::Window) {
  // First of all: an interface asked for before the mark would keep the wrong role.
  SetAccessibleKind(this, AccessibleKind::kFrame);
  setObjectName(object_name);
  setWindowTitle(title);
  resize(size);
}

void ViewerWindow::SetContent(QWidget* content) {
  content_ = content;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(content);
}

void ViewerWindow::Present() {
  BringToFront(*this);
  if (content_ != nullptr) content_->setFocus(Qt::OtherFocusReason);
}

void ViewerWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace parvolind::ui
