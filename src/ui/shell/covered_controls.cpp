#include "ui/shell/covered_controls.h"

#include <QEvent>
#include <algorithm>
#include <utility>

namespace parvolind::ui {

CoveredControls::CoveredControls(QWidget& window, QWidget& list, std::vector<QWidget*> buttons,
                                 std::vector<QWidget*> full_panels, QWidget& list_panel)
    : window_(window),
      list_(list),
      buttons_(std::move(buttons)),
      full_panels_(std::move(full_panels)),
      list_panel_(list_panel) {
  for (QWidget* panel : full_panels_) panel->installEventFilter(this);
  list_panel_.installEventFilter(this);
}

bool CoveredControls::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show || event->type() == QEvent::Hide) Update();
  return QObject::eventFilter(watched, event);
}

void CoveredControls::Update() {
  const bool buttons_covered = std::any_of(full_panels_.begin(), full_panels_.end(),
                                           [](const QWidget* panel) { return !panel->isHidden(); });
  const bool list_covered = buttons_covered || !list_panel_.isHidden();
  QWidget* focused = window_.focusWidget();
  const bool focused_below =
      focused != nullptr &&
      ((focused == &list_ && list_covered) ||
       (buttons_covered && std::find(buttons_.begin(), buttons_.end(), focused) != buttons_.end()));
  if (focused_below) focus_under_panel_ = focused;
  for (QWidget* button : buttons_) button->setVisible(!buttons_covered);
  list_.setVisible(!list_covered);
  if (!focus_under_panel_.isNull() && !focused_below && focus_under_panel_->isVisibleTo(&window_)) {
    focus_under_panel_->setFocus(Qt::OtherFocusReason);
    focus_under_panel_.clear();
  }
}

}  // namespace parvolind::ui
