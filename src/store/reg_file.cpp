#include "store/reg_file.h"

#include <cstdint>
#include <utility>

#include "store/reg_file_common.h"

namespace parvolind {
using namespace reg_file_detail;
namespace {

// Deletes the key at `path` with everything below it, deepest keys first. Works
// without recursion so that a deep tree cannot exhaust the stack.
RegStatus DeleteKeyTree(RegistryHive& hive, const std::string& path) {
  std::vector<std::string> pending{path};
  while (!pending.empty()) {
    const std::string current = pending.back();
    KeyHandle key(hive);
    RegStatus status = hive.OpenKey(current, false, key.out());
    if (status == RegStatus::kNotFound) {
      pending.pop_back();
      continue;
    }
    if (status != RegStatus::kOk) return status;
    uint32_t sub_keys = 0;
    status = hive.QueryInfoKey(key.get(), &sub_keys, nullptr, nullptr);
    if (status != RegStatus::kOk) return status;
    if (sub_keys > 0) {
      std::string name;
      status = hive.EnumKey(key.get(), sub_keys - 1, &name);
      if (status != RegStatus::kOk) return status;
      pending.push_back(current + "\\" + name);
      continue;
    }
    key.Close();
    const size_t slash = current.rfind('\\');
    const std::string parent_path =
        slash == current.npos ? std::string() : current.substr(0, slash);
    const std::string name = slash == current.npos ? current : current.substr(slash + 1);
    KeyHandle parent(hive);
    status = hive.OpenKey(parent_path, false, parent.out());
    if (status == RegStatus::kOk) status = hive.DeleteKey(parent.get(), name);
    if (status != RegStatus::kOk && status != RegStatus::kNotFound) return status;
    pending.pop_back();
  }
  return RegStatus::kOk;
}

std::string LineError(int line, const std::string& what, RegStatus status) {
  return "Zeile " + std::to_string(line) + ": " + what + " (" + RegStatusText(status) + ")";
}

}  // namespace

std::string RegStatusText(RegStatus status) {
  switch (status) {
    case RegStatus::kOk:
      return "erfolgreich";
    case RegStatus::kNotFound:
      return "nicht vorhanden";
    case RegStatus::kNoMoreItems:
      return "keine weiteren Einträge";
    case RegStatus::kAccessDenied:
      return "Zugriff verweigert";
    case RegStatus::kInvalidName:
      return "ungültiger Name";
    case RegStatus::kBusy:
      return "die Konfiguration wird gerade von einem anderen Programm verwendet";
    case RegStatus::kIoError:
      return "die Konfiguration kann nicht gelesen oder geschrieben werden";
  }
  return "unbekannter Fehler";
}

bool ImportRegFile(RegistryHive& hive, std::string_view bytes, std::string* error,
                   RegImportSummary* summary) {
  std::vector<RegFileChange> changes;
  if (!ParseRegFile(bytes, &changes, error)) return false;

  HiveTransaction transaction(hive);
  if (transaction.status() != RegStatus::kOk) {
    return SetError(error, "Die Konfiguration kann nicht geändert werden (" +
                               RegStatusText(transaction.status()) + ").");
  }
  RegImportSummary counts;
  KeyHandle key(hive);
  for (const RegFileChange& change : changes) {
    RegStatus status = RegStatus::kOk;
    switch (change.kind) {
      case RegFileChange::Kind::kOpenKey:
        status = hive.OpenKey(change.key_path, true, key.out());
        if (status != RegStatus::kOk) {
          return SetError(
              error, LineError(change.line, "Der Schlüssel kann nicht angelegt werden", status));
        }
        ++counts.keys;
        break;
      case RegFileChange::Kind::kDeleteKey:
        key.Close();
        status = DeleteKeyTree(hive, change.key_path);
        if (status != RegStatus::kOk) {
          return SetError(
              error, LineError(change.line, "Der Schlüssel kann nicht gelöscht werden", status));
        }
        ++counts.deleted_keys;
        break;
      case RegFileChange::Kind::kSetValue:
        status = hive.SetValue(key.get(), change.name, change.value);
        if (status != RegStatus::kOk) {
          return SetError(error,
                          LineError(change.line, "Der Wert kann nicht gesetzt werden", status));
        }
        ++counts.values;
        break;
      case RegFileChange::Kind::kDeleteValue:
        status = hive.DeleteValue(key.get(), change.name);
        if (status != RegStatus::kOk && status != RegStatus::kNotFound) {
          return SetError(error,
                          LineError(change.line, "Der Wert kann nicht gelöscht werden", status));
        }
        ++counts.deleted_values;
        break;
    }
  }
  key.Close();
  const RegStatus status = transaction.Commit();
  if (status != RegStatus::kOk) {
    return SetError(
        error, "Die Änderungen konnten nicht gespeichert werden (" + RegStatusText(status) + ").");
  }
  if (summary != nullptr) *summary = counts;
  return true;
}

}  // namespace parvolind
