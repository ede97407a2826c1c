#pragma once

#include "ui/controls/hover_button.h"

namespace parvolind::ui {

/// A hover area of a skinned window: a menu title ("Programm", "Optionen", "Hilfe") or
/// the close button, drawn as part of the skin.
class SkinArea : public HoverButton {
  Q_OBJECT

 public:
  /// What the area shows.
  enum class Kind { kMenuTitle, kCloseButton };

  SkinArea(Kind kind, const QString& text, const QString& accessible_name,
           QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Kind kind_;
};

}  // namespace parvolind::ui
