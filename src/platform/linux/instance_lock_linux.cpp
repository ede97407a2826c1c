#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <optional>

#include "platform/app_paths.h"
#include "platform/instance_lock.h"
#include "platform/linux/private_folder_linux.h"

namespace parvolind {
namespace {

// A lock file without an owner (its writer died between creating and filling it)
// is taken over once it is this old; a live writer fills it in microseconds.
constexpr qint64 kUnreadableLockAgeMs = 10000;

// What a later instance sends: one short line. Anything else is ignored, so a
// stray client cannot make the window jump.
constexpr char kShowRequest[] = "show\n";
constexpr qsizetype kShowRequestLength = sizeof(kShowRequest) - 1;

}  // namespace

class InstanceLock::Impl {
 public:
  explicit Impl(std::string directory) : directory_(QString::fromStdString(directory)) {}

  InstanceRole TryAcquire() {
    if (!role_) role_ = Acquire();
    return *role_;
  }

  void SetShowRequestHandler(std::function<void()> handler) { handler_ = std::move(handler); }

  bool RequestShowFirst(int timeout_ms) {
    if (role_ != InstanceRole::kSecond) return false;
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(timeout_ms)) return false;
    socket.write(kShowRequest);
    const bool written = socket.waitForBytesWritten(timeout_ms);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeout_ms);
    return written;
  }

 private:
  QString LockPath() const { return directory_ + QStringLiteral("/instance.lock"); }
  QString SocketPath() const { return directory_ + QStringLiteral("/instance.socket"); }

  InstanceRole Acquire() {
    // Without a usable folder there is no marker at all: better two instances
    // than none.
    if (!CreatePrivateFolderPath(directory_.toStdString())) return InstanceRole::kFirst;
    lock_ = std::make_unique<QLockFile>(LockPath());
    // Only a live owner keeps the lock: a killed instance's lock is taken over at once.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
      if (lock_->error() != QLockFile::LockFailedError) return InstanceRole::kFirst;
      if (!TakeOverUnreadableLock()) return InstanceRole::kSecond;
    }
    Listen();
    return InstanceRole::kFirst;
  }

  bool TakeOverUnreadableLock() {
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock_->getLockInfo(&pid, &host, &app)) return false;
    const QDateTime modified = QFileInfo(LockPath()).lastModified();
    return modified.isValid() &&
           modified.msecsTo(QDateTime::currentDateTime()) > kUnreadableLockAgeMs &&
           lock_->removeStaleLockFile() && lock_->tryLock(0);
  }

  void Listen() {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file that is there was left by a dead instance.
    QLocalServer::removeServer(SocketPath());
    // Without the socket the program still runs; only show requests go unheard.
    if (!server_->listen(SocketPath())) return;
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
      while (QLocalSocket* client = server_->nextPendingConnection()) Serve(client);
    });
  }

  void Serve(QLocalSocket* client) {
    QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
      QByteArray& received = pending_[client];
      received += client->read(kShowRequestLength - received.size());
      if (received.size() < kShowRequestLength) return;
      const bool is_request = received == kShowRequest;
      pending_.remove(client);
      client->disconnectFromServer();
      if (is_request && handler_) handler_();
    });
    QObject::connect(client, &QObject::destroyed, server_.get(),
                     [this, client] { pending_.remove(client); });
  }

  QString directory_;
  std::optional<InstanceRole> role_;
  std::function<void()> handler_;
  // What each client has sent so far; a request may arrive in pieces.
  QHash<QLocalSocket*, QByteArray> pending_;
  std::unique_ptr<QLockFile> lock_;
  // Declared last so that it closes, with its clients, before the lock goes.
  std::unique_ptr<QLocalServer> server_;
};

InstanceLock::InstanceLock(std::string directory)
    : impl_(std::make_unique<Impl>(std::move(directory))) {}

InstanceLock::InstanceLock() : InstanceLock(RuntimeDirectory() + "/parvolind") {}

InstanceLock::~InstanceLock() = default;

InstanceRole InstanceLock::TryAcquire() { return impl_->TryAcquire(); }

void InstanceLock::SetShowRequestHandler(std::function<void()> handler) {
  impl_->SetShowRequestHandler(std::move(handler));
}

bool InstanceLock::RequestShowFirst(int timeout_ms) { return impl_->RequestShowFirst(timeout_ms); }

}  // namespace parvolind
