#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "platform/session_end.h"

namespace parvolind {
namespace {

// The write end of the socket pair: the one piece of state a signal handler may
// touch. -1 while no watch exists.
volatile std::sig_atomic_t signal_write_fd = -1;

extern "C" void OnSessionEndSignal(int) {
  const int saved_errno = errno;
  const int fd = signal_write_fd;
  if (fd >= 0) {
    const char byte = 1;
    // A full pipe means a notice is pending already; nothing is lost.
    [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
  }
  errno = saved_errno;
}

}  // namespace

class SessionEndWatch::Impl {
 public:
  explicit Impl(std::function<void()> on_session_end) : callback_(std::move(on_session_end)) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) return;
    fcntl(fds_[0], F_SETFL, fcntl(fds_[0], F_GETFL) | O_NONBLOCK);
    fcntl(fds_[1], F_SETFL, fcntl(fds_[1], F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { Drain(); });
    signal_write_fd = fds_[0];
    struct sigaction action {};
    action.sa_handler = OnSessionEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &previous_);
    active_ = true;
  }

  ~Impl() {
    if (active_) sigaction(SIGTERM, &previous_, nullptr);
    signal_write_fd = -1;
    notifier_.reset();
    for (const int fd : fds_) {
      if (fd >= 0) close(fd);
    }
  }

  bool Active() const { return active_; }

 private:
  void Drain() {
    // Several signals before the loop came round count as one session end.
    char buffer[64];
    bool any = false;
    while (read(fds_[1], buffer, sizeof(buffer)) > 0) any = true;
    if (any && callback_) callback_();
  }

  std::function<void()> callback_;
  int fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previous_ {};
  bool active_ = false;
};

SessionEndWatch::SessionEndWatch(std::function<void()> on_session_end)
    : impl_(std::make_unique<Impl>(std::move(on_session_end))) {}

SessionEndWatch::~SessionEndWatch() = default;

bool SessionEndWatch::Active() const { return impl_->Active(); }

// SIGTERM cannot be answered: a callback that does not quit keeps the program running.
void SessionEndWatch::SetAnswer(std::function<bool()>) {}

}  // namespace parvolind
