#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <memory>

#include "platform/desktop_open.h"

namespace parvolind {
namespace {

// xdg-open reports a desktop that has no program for the file with exit code 3
// (no tool found) or 4 (the opening failed), and a missing file with 2, all within
// moments. Without a desktop environment it waits for the program it started, whose
// own exit code then follows much later: an answer that late means the file was
// open in a program for a while.
constexpr qint64 kQuickAnswerMs = 10000;

}  // namespace

void OpenWithDesktop(const std::string& path, std::function<void(bool opened)> done) {
  // Not parented to the application and not deleted when the program ends: destroying
  // a running QProcess kills it, and with it the editor the user is still reading.
  auto* process = new QProcess;
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  auto started = std::make_shared<QElapsedTimer>();
  auto answer = std::make_shared<std::function<void(bool)>>(std::move(done));
  const auto finish = [process, answer](bool opened) {
    if (*answer) {
      const std::function<void(bool)> callback = std::move(*answer);
      *answer = nullptr;
      callback(opened);
    }
    process->deleteLater();
  };
  QObject::connect(process, &QProcess::errorOccurred, process,
                   [finish](QProcess::ProcessError error) {
                     if (error == QProcess::FailedToStart) finish(false);
                   });
  QObject::connect(process, &QProcess::finished, process,
                   [finish, started](int exit_code, QProcess::ExitStatus status) {
                     const bool late = started->elapsed() >= kQuickAnswerMs;
                     finish(late || (status == QProcess::NormalExit && exit_code == 0));
                   });
  started->start();
  process->start(QStringLiteral("xdg-open"), {QString::fromStdString(path)});
}

}  // namespace parvolind
