#pragma once

#include <QCheckBox>

namespace parvolind::ui {

/// A 13 x 13 check box in the program's flat look: white, a blue-grey frame that turns
/// to the accent colour under the mouse, a painted tick, and a dotted focus mark around
/// the box in the margin the widget keeps for it. Its caption is a separate label beside
/// it, so its accessible name is given by the owner.
class FlatCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  /// The room on every side of the box for the focus mark.
  static constexpr int kFocusMargin = 3;

  explicit FlatCheckBox(QWidget* parent = nullptr);

  QSize sizeHint() const override { return {13 + 2 * kFocusMargin, 13 + 2 * kFocusMargin}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& position) const override;
};

}  // namespace parvolind::ui
