#include "store/config_backup.h"

#include <cstdint>
#include <string_view>

#include "platform/app_paths.h"
#include "platform/atomic_file.h"
#include "platform/text_rules.h"
#include "store/reg_file.h"
#include "store/registry_key.h"

namespace parvolind {
namespace {

// Message boxes break lines at single carriage returns.
constexpr char kCr = '\r';

// UTF-16LE with a byte order mark of a UTF-8 text (which the export always is).
std::string Utf16LeWithMark(std::string_view utf8) {
  std::string out = "\xFF\xFE";
  out.reserve(2 + utf8.size() * 2);
  const auto unit = [&out](uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
  };
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      unit(0xD800 | (code >> 10));
      unit(0xDC00 | (code & 0x3FF));
    } else {
      unit(code);
    }
  }
  return out;
}

}  // namespace

ConfigBackup::ConfigBackup(RegistryHive& hive) : hive_(hive) {}

bool ConfigBackup::SaveRegData(std::string_view key_path, const std::string& target_file,
                               std::string* error) const {
  std::string bytes;
  if (!ExportRegistryKey(hive_, key_path, &bytes, error)) return false;
  if (kRegFilesInUtf16) bytes = Utf16LeWithMark(bytes);
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
