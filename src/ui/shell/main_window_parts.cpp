#include "ui/shell/main_window_parts.h"

#include <utility>

namespace parvolind::ui {

MainWindowParts::MainWindowParts(RegistryHive& hive, const QString& version)
    : hive_(hive), settings_(hive), info_(version) {}

MainWindowServices MainWindowParts::Services(Dialogs& dialogs, std::string log_path,
                                             std::string help_path,
                                             decltype(MainWindowServices::open_url) open_url) {
  return MainWindowServices{.hive = hive_,
                            .fs = *fs_,
                            .locks = *locks_,
                            .clock = *clock_,
                            .locale = *locale_,
                            .settings = settings_,
                            .dialogs = dialogs,
                            .confirm = confirm_,
                            .recover = recover_,
                            .info = info_,
                            .log_path = std::move(log_path),
                            .help_path = std::move(help_path),
                            .open_url = std::move(open_url)};
}

}  // namespace parvolind::ui
