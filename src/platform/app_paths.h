#pragma once

#include <string>

namespace parvolind {

/// Full path of the running executable.
std::string ExecutablePath();

/// The per-user folder for the program's state ($XDG_STATE_HOME/parvolind,
/// default ~/.local/state/parvolind), without trailing separator; not created.
std::string StateDirectory();

/// The per-user configuration folder ($XDG_CONFIG_HOME/parvolind, default
/// ~/.config/parvolind), without trailing separator; not created.
std::string ConfigDirectory();

/// The per-user runtime folder, where the locks live: $XDG_RUNTIME_DIR, else /run/user/<uid>
/// when it is there and the user's alone, else the "run" folder in StateDirectory(). Never a
/// folder that other users can write to.
std::string RuntimeDirectory();

/// The folder under which the user's removable media appear (/media/<user>/ on
/// Linux, the drive "d:\" on Windows), with a trailing separator; it need not exist.
std::string RemovableMediaDirectory();

/// The wizard's default for the first directory, with a trailing separator: the home
/// directory on Linux, the drive "c:\" on Windows.
std::string DefaultFirstDirectory();

/// The path of the file `file_name` ("parvolind.log", "parvolind.reg") beside
/// the executable, so that the desktop program and the CLI share it. An
/// installed copy (its executable in a folder named bin with share/parvolind/
/// beside that folder) and a copy whose folder is not writable keep the file in
/// StateDirectory() instead, which is then created.
std::string FileBesideExecutable(const std::string& file_name);

/// The same choice for an executable in `executable_folder`.
std::string FileBesideExecutableFor(const std::string& executable_folder,
                                    const std::string& file_name);

/// The start page of the help: help/index.html beside the executable (the build
/// folder), else ../share/parvolind/help/index.html relative to the executable's
/// folder (an installed program). When neither exists, the first of the two, so
/// that opening it simply fails.
std::string HelpFilePath();

/// The same search starting from the executable in `executable_folder`.
std::string HelpFilePathFor(const std::string& executable_folder);

}  // namespace parvolind
