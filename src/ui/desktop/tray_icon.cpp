#include "ui/desktop/tray_icon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "ui/art/app_emblem.h"
#include "ui/art/menu_glyphs.h"
#include "ui/toolkit/theme.h"

namespace parvolind::ui {

TrayIcon::TrayIcon(QObject* parent) : TrayIcon(&QSystemTrayIcon::isSystemTrayAvailable, parent) {}

TrayIcon::TrayIcon(std::function<bool()> tray_available, QObject* parent)
    : QObject(parent),
      tray_available_(std::move(tray_available)),
      menu_(std::make_unique<QMenu>()),
      tray_(new QSystemTrayIcon(this)) {
  setObjectName(QStringLiteral("CoolTrayIcon"));
  for (int frame = 0; frame < static_cast<int>(frames_.size()); ++frame) {
    frames_[static_cast<size_t>(frame)] = AppIconFrame(frame);
  }

  menu_->setObjectName(QStringLiteral("PopupMenuTray"));
  menu_->setFont(WindowFont());
  const auto add = [this](const char* name, const QString& text, MenuGlyph glyph,
                          void (TrayIcon::*signal)()) {
    QAction* action = menu_->addAction(MenuGlyphIcon(glyph), text);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, signal);
  };
  add("Anzeigen1", QStringLiteral("&Anzeigen"), MenuGlyph::kShowWindow, &TrayIcon::ShowRequested);
  add("Minimieren2", QStringLiteral("&Minimieren"), MenuGlyph::kMinimise,
      &TrayIcon::MinimizeRequested);
  menu_->addSeparator();
  add("Beenden2", QStringLiteral("B&eenden"), MenuGlyph::kQuit, &TrayIcon::QuitRequested);
  menu_->addSeparator();
  add("Info2", QStringLiteral("&Info"), MenuGlyph::kInfo, &TrayIcon::InfoRequested);

  tray_->setIcon(frames_[0]);
  tray_->setToolTip(QStringLiteral("Parvolind"));
  tray_->setContextMenu(menu_.get());
  connect(tray_, &QSystemTrayIcon::messageClicked, this, &TrayIcon::ShowRequested);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger) emit ShowRequested();
  });

  frame_timer_.setInterval(kFrameIntervalMs);
  connect(&frame_timer_, &QTimer::timeout, this, &TrayIcon::AnimationTick);
  last_available_ = Available();
  poll_timer_.setInterval(kAvailabilityPollMs);
  connect(&poll_timer_, &QTimer::timeout, this, &TrayIcon::CheckAvailability);
  poll_timer_.start();
}

// The tray icon goes first: it refers to the menu.
TrayIcon::~TrayIcon() { delete tray_; }

void TrayIcon::Show() {
  wanted_visible_ = true;
  if (Available()) tray_->show();
}

void TrayIcon::Hide() {
  wanted_visible_ = false;
  tray_->hide();
}

void TrayIcon::ShowMessage(const QString& title, const QString& text) {
  if (Available()) tray_->showMessage(title, text, QSystemTrayIcon::Warning);
}

bool TrayIcon::Available() const { return tray_available_ && tray_available_(); }

void TrayIcon::SetAnimation(bool on) {
  if (on) {
    next_frame_ = 0;
    frame_timer_.start();
  } else {
    frame_timer_.stop();
  }
}

bool TrayIcon::Animating() const { return frame_timer_.isActive(); }

int TrayIcon::ShownFrame() const { return shown_frame_; }

QIcon TrayIcon::CurrentIcon() const { return tray_->icon(); }

QMenu* TrayIcon::Menu() const { return menu_.get(); }

void TrayIcon::AnimationTick() {
  ShowFrame(next_frame_);
  next_frame_ = (next_frame_ + 1) % static_cast<int>(frames_.size());
}

void TrayIcon::CheckAvailability() {
  const bool available = Available();
  if (available == last_available_) return;
  last_available_ = available;
  if (available && wanted_visible_) {
    // A tray that was restarted does not know the icon: add it afresh.
    tray_->hide();
    tray_->show();
  }
  emit AvailabilityChanged(available);
}

void TrayIcon::ShowFrame(int frame) {
  shown_frame_ = frame;
  tray_->setIcon(frames_[static_cast<size_t>(frame)]);
}

}  // namespace parvolind::ui
