#include "ui/controls/hover_group.h"

#include "ui/controls/hover_button.h"

namespace parvolind::ui {

void HoverGroup::Light(const HoverButton* lit) {
  for (HoverButton* button : buttons_) button->SetLit(button == lit);
}

}  // namespace parvolind::ui
