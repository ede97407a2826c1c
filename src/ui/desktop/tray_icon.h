#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace parvolind::ui {

/// The program's icon in the notification area, with its menu and its animation.
/// The main window talks only to this class, never to the tray itself. Where the
/// desktop has no tray (or loses it), Available() is false and the owner minimises
/// the window the ordinary way instead of hiding it; when a tray comes (back), the
/// icon is put into it again.
class TrayIcon : public QObject {
  Q_OBJECT

 public:
  /// Time per animation frame.
  static constexpr int kFrameIntervalMs = 150;
  /// How often the presence of a tray is looked at.
  static constexpr int kAvailabilityPollMs = 3000;

  /// An icon that asks the desktop whether it has a tray.
  explicit TrayIcon(QObject* parent = nullptr);
  /// An icon that asks `tray_available` instead (for tests).
  TrayIcon(std::function<bool()> tray_available, QObject* parent = nullptr);
  ~TrayIcon() override;

  /// Puts the icon into the tray (when there is one) and keeps it there until
  /// Hide(), also across a tray that goes and comes back.
  void Show();
  /// Takes the icon out of the tray.
  void Hide();
  /// Whether the desktop has a tray now.
  bool Available() const;

  /// Starts the animation at frame 0 (on) or stops it, keeping the frame shown
  /// last (off).
  void SetAnimation(bool on);
  /// Whether the animation runs.
  bool Animating() const;
  /// The frame the icon shows (0 is the resting icon).
  int ShownFrame() const;
  /// The icon shown now.
  QIcon CurrentIcon() const;

  /// Shows a notification beside the icon (where the desktop has a tray); a click on it
  /// emits ShowRequested.
  void ShowMessage(const QString& title, const QString& text);

  /// The menu that a right click opens: "&Anzeigen", "&Minimieren", separator,
  /// "B&eenden", separator, "&Info".
  QMenu* Menu() const;

  /// One step of the animation (the frame timer calls it): shows the current
  /// frame and moves on to the next, from the last back to 0.
  void AnimationTick();
  /// Looks whether the tray is there (the poll timer calls it); emits
  /// AvailabilityChanged on a change and re-adds the icon when a tray came back.
  void CheckAvailability();

 signals:
  /// A left click on the icon, or "&Anzeigen".
  void ShowRequested();
  /// "&Minimieren".
  void MinimizeRequested();
  /// "B&eenden".
  void QuitRequested();
  /// "&Info".
  void InfoRequested();
  /// The desktop's tray appeared (true) or went away (false).
  void AvailabilityChanged(bool available);

 private:
  void ShowFrame(int frame);

  std::function<bool()> tray_available_;
  std::unique_ptr<QMenu> menu_;
  QSystemTrayIcon* tray_;
  std::array<QIcon, 4> frames_;
  QTimer frame_timer_;
  QTimer poll_timer_;
  int next_frame_ = 0;
  int shown_frame_ = 0;
  bool wanted_visible_ = false;
  bool last_available_ = false;
};

}  // namespace parvolind::ui
