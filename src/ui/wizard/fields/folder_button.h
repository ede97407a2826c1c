#pragma once

#include "ui/controls/flat_button.h"

namespace parvolind::ui {

/// The small flat button beside a directory field, showing a folder.
class FolderButton : public FlatButton {
  Q_OBJECT

 public:
  explicit FolderButton(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace parvolind::ui
