#pragma once

#include <QAbstractButton>

namespace parvolind::ui {

/// A web address shown as a link: underlined, in the accent colour, with the hand
/// cursor. A QAbstractButton, so it can be reached and pressed with the keyboard and is
/// named by its text; `clicked` says it was activated.
class LinkButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit LinkButton(const QString& text, QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace parvolind::ui
