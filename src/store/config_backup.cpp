#include "store/config_backup.h"

#include "platform/app_paths.h"
#include "platform/atomic_file.h"
#include "store/reg_file.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

// Message boxes break lines at single carriage returns.
constexpr char kCr = '\r';

}  // namespace

ConfigBackup::ConfigBackup(RegistryHive& hive) : hive_(hive) {}

bool ConfigBackup::SaveRegData(std::string_view key_path, const std::string& target_file,
                               std::string* error) const {
  std::string bytes;
  if (!ExportRegistryKey(hive_, key_path, &bytes, error)) return false;
  return WriteFileAtomically(target_file, bytes, error);
}

BackupResult ConfigBackup::ExportBackup(const std::string& target_file) const {
  BackupResult result;
  result.target = target_file;
  result.ok = SaveRegData(kProgramKeyPath, target_file, &result.reason);
  if (result.ok) {
    result.reason.clear();
    result.message = SuccessMessage(target_file);
  } else {
    result.message = FailureMessage(result.reason);
  }
  return result;
}

BackupResult ConfigBackup::ExportBackup() const { return ExportBackup(DefaultBackupPath()); }

std::string ConfigBackup::DefaultBackupPath() {
  return FileBesideExecutable(std::string(kBackupFileName));
}

std::string ConfigBackup::SuccessMessage(const std::string& target) {
  std::string text = "Die Konfiguration von Parvolind wurde gesichert:";
  text += kCr;
  text += kCr;
  text += target;
  text += kCr;
  text += kCr;
  text += "Um die Konfiguration auf einem anderen System zu laden,";
  text += kCr;
  text += "doppelklicken Sie bitte auf die soeben erstellte Reg-Datei.";
  return text;
}

std::string ConfigBackup::FailureMessage(const std::string& reason) {
  std::string text = "Die Konfiguration konnte nicht gesichert werden:";
  text += kCr;
  text += kCr;
  text += reason;
  return text;
}

}  // namespace parvolind
