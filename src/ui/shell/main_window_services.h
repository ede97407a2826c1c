#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/settings.h"
#include "ui/viewers/document_opener.h"

namespace parvolind::ui {

class Dialogs;
class TFormConfirm;
class TFormInfo;
class TFormRecover;

/// What the main window is handed by main(): the platform objects, the settings, the
/// dialogs seam and the two question windows.
struct MainWindowServices {
  RegistryHive& hive;
  FileSystem& fs;
  RunLocks& locks;
  const Clock& clock;
  const Locale& locale;
  Settings& settings;
  Dialogs& dialogs;
  TFormConfirm& confirm;
  TFormRecover& recover;
  TFormInfo& info;
  std::string log_path;   ///< the log file (beside the executable, or the state folder)
  std::string help_path;  ///< the help's start page
  /// Opens a file (the log, the help) in the user's editor or browser, the way the
  /// desktop does, and calls the callback with false when the desktop could not, so
  /// that the window shows the file itself.
  OpenUrlFunction open_url;
};

}  // namespace parvolind::ui
