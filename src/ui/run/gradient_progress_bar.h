#pragma once

#include <QPixmap>
#include <QProgressBar>
#include <cstdint>

namespace parvolind::ui {

/// The program's flat progress bar: a one-pixel blue-grey border, a light background and
/// a fill that runs from blue-grey to white. Its range and value are 64-bit, so a copy of
/// several GiB is shown in bytes; they are scaled into the int range of the underlying
/// QProgressBar, which keeps the standard accessible role and value.
///
/// The bar is driven once per copied block and once per file of a run, so it repaints
/// only when the drawn fill moves by at least one pixel, and the QProgressBar value (with
/// its signal and accessibility event) follows only those steps.
class GradientProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit GradientProgressBar(QWidget* parent = nullptr);

  /// Sets minimum and maximum. A maximum below the minimum is taken as the minimum; a
  /// current value outside the new range is moved to its nearest end.
  void SetRange64(int64_t minimum, int64_t maximum);
  /// Sets the current value. A value below the minimum or above the maximum leaves the
  /// bar unchanged.
  void SetValue64(int64_t value);

  int64_t Value64() const { return value_; }
  int64_t Minimum64() const { return minimum_; }
  int64_t Maximum64() const { return maximum_; }

  /// The width in pixels of the fill as it is drawn now (0 when empty).
  int ShownFill() const { return shown_fill_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The value in the widget's int range, and the fill for it at the current width.
  int Scaled(int64_t value) const;
  int FillFor(int64_t value) const;
  // Pushes the value into QProgressBar and repaints when the fill has moved.
  void Show(bool force);
  void BuildGradient();

  int64_t minimum_ = 0;
  int64_t maximum_ = 100;
  int64_t value_ = 0;
  int shift_ = 0;        // right shift that brings the 64-bit span into the int range
  int shown_fill_ = -1;  // fill drawn at the last update, -1 before the first
  QPixmap gradient_;     // the full fill, cut to length when painted
};

}  // namespace parvolind::ui
