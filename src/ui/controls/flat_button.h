#pragma once

#include <QPushButton>

namespace parvolind::ui {

/// The program's flat push button: face RGB 227, 233, 240, white while it has the
/// focus, a shade darker while held down, a one-pixel blue-grey border. A real
/// QPushButton underneath, so keyboard use and accessibility stay standard.
class FlatButton : public QPushButton {
  Q_OBJECT

 public:
  explicit FlatButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool hovered_ = false;
};

}  // namespace parvolind::ui
