#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace parvolind::ui {

/// Keeps what lies under the main window's panels out of reach: while the wizard or the
/// progress panel is shown, the job buttons and the list are hidden; while the information
/// panel is shown, the list. Nothing covered can be reached with Tab or take keys, and
/// assistive tools see it hidden. The keyboard comes back to where it was when the panel goes.
class CoveredControls : public QObject {
 public:
  /// Follows the panels' showing and hiding from now on; `window` holds them all. Owned by the
  /// window, so that it is gone before the controls are.
  CoveredControls(QWidget& window, QWidget& list, std::vector<QWidget*> buttons,
                  std::vector<QWidget*> full_panels, QWidget& list_panel);

  /// Shows and hides the covered controls as the panels stand now.
  void Update();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  QWidget& list_;
  std::vector<QWidget*> buttons_;
  std::vector<QWidget*> full_panels_;    ///< cover the buttons and the list
  QWidget& list_panel_;                  ///< covers the list only
  QPointer<QWidget> focus_under_panel_;  ///< had the focus when a panel covered it
};

}  // namespace parvolind::ui
