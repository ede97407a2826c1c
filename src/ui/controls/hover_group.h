#pragma once

#include <initializer_list>
#include <vector>

namespace parvolind::ui {

class HoverButton;

/// Hover buttons of which at most one is lit: the skin's menu titles, the job buttons,
/// a question's "Ja" and "Nein". The window decides when a button lights; the group
/// keeps the others dark.
class HoverGroup {
 public:
  HoverGroup() = default;
  HoverGroup(std::initializer_list<HoverButton*> buttons) : buttons_(buttons) {}

  void Add(HoverButton* button) { buttons_.push_back(button); }
  /// Lights `lit` (a member, or nullptr) and darkens every other member.
  void Light(const HoverButton* lit);
  /// Darkens every member (the mouse is over the bare window).
  void Darken() { Light(nullptr); }

 private:
  std::vector<HoverButton*> buttons_;
};

}  // namespace parvolind::ui
