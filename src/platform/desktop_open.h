#pragma once

#include <functional>
#include <string>

namespace parvolind {

/// Opens the file `path` in the program the desktop has chosen for it (the user's
/// editor for the log, the browser for the help), as the shell's "open" would.
/// `done` is called once, later, from the event loop: true when a program took the
/// file, false when the desktop has no program for it or could not start one, so
/// that the caller can show the file itself. Needs a running QCoreApplication.
void OpenWithDesktop(const std::string& path, std::function<void(bool opened)> done);

}  // namespace parvolind
