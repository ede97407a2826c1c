#pragma once

#include <QCheckBox>

namespace parvolind::ui {

/// A 13 x 13 check box in the program's flat look: white, a blue-grey frame that turns
/// to the accent colour under the mouse or with the focus, a painted tick. Its caption is
/// a separate label beside it, so its accessible name is given by the owner.
class FlatCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit FlatCheckBox(QWidget* parent = nullptr);

  QSize sizeHint() const override { return {13, 13}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& position) const override;
};

}  // namespace parvolind::ui
