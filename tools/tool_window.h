#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "platform/app_paths.h"
#include "platform/registry_hive.h"
#include "silent_dialogs.h"
#include "ui/shell/form_main.h"
#include "ui/shell/main_window_parts.h"
#include "ui/toolkit/theme.h"

namespace parvolind::tools {

/// The main window as the window tools open it: on the user's store, with dialogs nobody
/// answers, the log beside the tool, no help and no browser, shown and started without a
/// start entry in the log. Form() is null where the store or the window could not be opened;
/// the reason went to standard error.
class ToolWindow {
 public:
  ToolWindow() {
    ui::LoadApplicationFonts();
    std::string error;
    hive_ = OpenUserRegistryHive(&error);
    if (!hive_) {
      std::cerr << error << "\n";
      return;
    }
    parts_ = std::make_unique<ui::MainWindowParts>(*hive_, QStringLiteral("0.0.0.0"));
    form_ = std::make_unique<ui::TFormMain>(
        parts_->Services(dialogs_, FileBesideExecutable("parvolind.log"), std::string(),
                         [](const QUrl&, const std::function<void(bool)>&) {}));
    if (!form_->FormCreate(false)) {
      form_.reset();
      return;
    }
    form_->show();
  }

  /// The started window, or null.
  ui::TFormMain* Form() { return form_.get(); }
  /// The store and the parts the window was built from (only while Form() is not null).
  RegistryHive& Hive() { return *hive_; }
  ui::MainWindowParts& Parts() { return *parts_; }

 private:
  std::unique_ptr<RegistryHive> hive_;
  SilentDialogs dialogs_;
  std::unique_ptr<ui::MainWindowParts> parts_;
  std::unique_ptr<ui::TFormMain> form_;  // gone before the parts it was built from
};

}  // namespace parvolind::tools
