#pragma once

#include <string>
#include <string_view>

#include "platform/registry_hive.h"

namespace parvolind {

/// The file name of the configuration backup beside the program.
inline constexpr std::string_view kBackupFileName = "parvolind.reg";

/// What a configuration backup did, with the text for the message box.
struct BackupResult {
  bool ok = false;      ///< the file was written completely
  std::string target;   ///< the backup file's path
  std::string reason;   ///< why it failed; empty on success
  std::string message;  ///< the message box text, line breaks as single CR (0x0D)
};

/// The configuration backup: the program's whole registry key, settings and jobs,
/// exported into a registry file that recreates it when imported elsewhere.
class ConfigBackup {
 public:
  explicit ConfigBackup(RegistryHive& hive);

  /// Exports the key at `key_path` (below HKEY_CURRENT_USER) with everything under
  /// it into `target_file`, replacing an earlier file of that name only once the
  /// new one is complete. A key that does not exist is exported as nothing: the
  /// call fails, so an earlier backup is never replaced by an empty one. Returns
  /// false with a German text in `error` (may be null); the target is then as it
  /// was.
  bool SaveRegData(std::string_view key_path, const std::string& target_file,
                   std::string* error) const;

  /// The menu's backup command (the window's `Sicherung1Click`, the CLI's export): exports
  /// `\Software\Orbelt\Parvolind` into `target_file` and returns the outcome with the text to show,
  /// "Die Konfiguration von Parvolind wurde gesichert:" ... on success and "Die Konfiguration
  /// konnte nicht gesichert werden:" with the reason on failure.
  BackupResult ExportBackup(const std::string& target_file) const;

  /// The same into the default place, DefaultBackupPath().
  BackupResult ExportBackup() const;

  /// The backup file beside the program ("parvolind.reg"), or in the per-user
  /// state folder when the program's folder is not writable.
  static std::string DefaultBackupPath();

  /// The success text for a backup written to `target`.
  static std::string SuccessMessage(const std::string& target);
  /// The failure text for `reason`.
  static std::string FailureMessage(const std::string& reason);

 private:
  RegistryHive& hive_;
};

}  // namespace parvolind
