#pragma once

#include <QString>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry_hive.h"
#include "platform/run_lock.h"
#include "store/settings.h"
#include "ui/questions/form_confirm.h"
#include "ui/questions/form_recover.h"
#include "ui/shell/form_info.h"
#include "ui/shell/main_window_services.h"

namespace parvolind::ui {

/// What every program that shows the main window builds around it on the user's hive: the
/// system's clock, locale, file system and run locks, the settings, the two question windows
/// and the information window. The desktop program and the developer tools wire the window
/// through it, so they differ only in what Services() is given.
class MainWindowParts {
 public:
  /// `hive` must outlive the parts; `version` is the information window's version text.
  MainWindowParts(RegistryHive& hive, const QString& version);

  /// The main window's services: these parts, with the program's own dialogs, log, help and
  /// way of opening a file.
  MainWindowServices Services(Dialogs& dialogs, std::string log_path, std::string help_path,
                              decltype(MainWindowServices::open_url) open_url);

  RegistryHive& hive() { return hive_; }
  const Clock& clock() const { return *clock_; }
  const Locale& locale() const { return *locale_; }
  Settings& settings() { return settings_; }
  TFormConfirm& confirm() { return confirm_; }
  TFormInfo& info() { return info_; }

 private:
  RegistryHive& hive_;
  std::unique_ptr<Clock> clock_ = CreateSystemClock();
  std::unique_ptr<Locale> locale_ = CreateSystemLocale();
  std::unique_ptr<FileSystem> fs_ = CreateFileSystem();
  std::unique_ptr<RunLocks> locks_ = CreateUserRunLocks();
  Settings settings_;
  TFormConfirm confirm_;
  TFormRecover recover_;
  TFormInfo info_;
};

}  // namespace parvolind::ui
