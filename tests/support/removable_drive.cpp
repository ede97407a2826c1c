#include "support/removable_drive.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <utility>

namespace parvolind::testing {
namespace {

constexpr qint64 kImageBytes = qint64{64} << 20;

// Runs a program to its end: true when it exits with 0. `output` gets what it printed.
bool Execute(const QString& program, const QStringList& arguments, QString* output = nullptr) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForStarted(10000)) return false;
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    return false;
  }
  if (output != nullptr) *output = QString::fromLocal8Bit(process.readAll()).trimmed();
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The program's full path from PATH or the system folders; empty when missing.
QString Find(const QString& name) {
  const QString found = QStandardPaths::findExecutable(name);
  if (!found.isEmpty()) return found;
  return QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/bin"});
}

}  // namespace

RemovableDrive::RemovableDrive(Kind kind, std::string image, std::string mount_point)
    : kind_(kind), image_(std::move(image)), mount_point_(std::move(mount_point)) {}

RemovableDrive::~RemovableDrive() { Unplug(); }

bool RemovableDrive::Attach(std::string* why) {
  if (geteuid() != 0) {
    *why = "needs root (loop devices and FUSE mounts)";
    return false;
  }
  if (!QFile::exists("/dev/fuse")) {
    *why = "needs /dev/fuse";
    return false;
  }
  const bool exfat = kind_ == Kind::kExfat;
  const QString mkfs = Find(exfat ? "mkfs.exfat" : "mkfs.vfat");
  const QString mount = Find(exfat ? "mount.exfat-fuse" : "fusefat");
  const QString losetup = Find("losetup");
  if (mkfs.isEmpty() || mount.isEmpty() || losetup.isEmpty()) {
    *why = exfat ? "needs mkfs.exfat, mount.exfat-fuse and losetup (exfatprogs, exfat-fuse)"
                 : "needs mkfs.vfat, fusefat and losetup (dosfstools, fusefat)";
    return false;
  }
  const QString image = QString::fromStdString(image_);
  if (!formatted_) {
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.resize(kImageBytes)) {
      *why = "cannot make the image";
      return false;
    }
    file.close();
    QString output;
    if (!Execute(mkfs, {image}, &output)) {
      *why = "mkfs failed: " + output.toStdString();
      return false;
    }
    formatted_ = true;
  }
  QString device;
  if (!Execute(losetup, {"-f", "--show", image}, &device) || device.isEmpty()) {
    *why = "no loop device: " + device.toStdString();
    return false;
  }
  device_ = device.toStdString();
  QDir().mkpath(QString::fromStdString(mount_point_));
  const QString target = QString::fromStdString(mount_point_);
  QString output;
  const QStringList arguments =
      exfat ? QStringList{device, target} : QStringList{"-o", "rw+", device, target};
  if (!Execute(mount, arguments, &output)) {
    *why = "the FUSE mount failed: " + output.toStdString();
    Execute(losetup, {"-d", device});
    device_.clear();
    return false;
  }
  mounted_ = true;
  return true;
}

bool RemovableDrive::Plug(std::string* why) {
  std::string reason;
  if (Attach(&reason)) return true;
  if (why != nullptr) *why = reason;
  return false;
}

bool RemovableDrive::Unplug() {
  bool ok = true;
  if (mounted_) {
    const QString target = QString::fromStdString(mount_point_);
    // A FUSE daemon may still be finishing a request for a moment.
    bool unmounted = false;
    for (int attempt = 0; attempt < 20 && !unmounted; ++attempt) {
      unmounted = Execute(Find("umount"), {target});
      if (!unmounted) QThread::msleep(100);
    }
    if (!unmounted) ok = Execute(Find("umount"), {"-l", target});
    mounted_ = false;
  }
  if (!device_.empty()) {
    ok = Execute(Find("losetup"), {"-d", QString::fromStdString(device_)}) && ok;
    device_.clear();
  }
  return ok;
}

}  // namespace parvolind::testing
