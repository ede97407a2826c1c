#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_hive.h"
#include "store/date_time.h"

namespace parvolind {

/// Path of the program's key below HKEY_CURRENT_USER, holding the settings.
inline constexpr std::string_view kProgramKeyPath = "\\Software\\Orbelt\\Parvolind";
/// Prefix of every job key; a job's key path is this followed by the job name.
inline constexpr std::string_view kJobsKeyPrefix = "\\Software\\Orbelt\\Parvolind\\Jobs\\";
/// The key that holds one sub-key per job.
inline constexpr std::string_view kJobsKeyPath = "\\Software\\Orbelt\\Parvolind\\Jobs";

/// A store error carrying the program's own text, e.g.
/// "Fehler beim Holen der Daten für 'CritAll'".
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// One open registry key with the program's read and write rules for values.
/// Opening never throws: a key that cannot be opened reads as a key whose values
/// are all missing, and every write into it fails. The key is closed on
/// destruction.
class RegistryKey {
 public:
  explicit RegistryKey(RegistryHive& hive);
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  /// Opens `path` read-only. Returns whether the key exists.
  bool OpenForReading(std::string_view path);
  /// Opens `path` for writing; with `create` the key and its missing parents are
  /// created. Returns whether the key is open. Without `create` a deleted key is
  /// never brought back.
  bool OpenForWriting(std::string_view path, bool create);
  /// Closes the key (also done by the destructor).
  void Close();
  /// Whether a key is open.
  bool IsOpen() const { return key_ != 0; }

  /// True when the value exists, whatever its type.
  bool ValueExists(std::string_view name) const;
  /// The value's type and stored bytes as they are; false when it is missing,
  /// cannot be read or no key is open. `value` may be null.
  bool QueryRaw(std::string_view name, RegValue* value) const;
  /// Whether the value is there, telling a missing value from a store that cannot be read:
  /// throws the store's read error ("Fehler beim Holen der Daten für ...") for the latter.
  bool ValueExistsOrThrow(std::string_view name) const;
  /// Names of the key's values in the order they were first set; empty when no
  /// key is open.
  std::vector<std::string> ValueNames() const;

  /// `kSz`/`kExpandSz`: the text up to the first NUL; missing: empty. Other
  /// types throw "Ungültiger Datentyp für '<name>'".
  std::string ReadString(std::string_view name) const;
  /// `kDword`: its value. Missing throws "Fehler beim Holen der Daten für '<name>'",
  /// another type "Ungültiger Datentyp für '<name>'".
  int32_t ReadInteger(std::string_view name) const;
  /// ReadInteger() != 0, with the same errors.
  bool ReadBool(std::string_view name) const;
  /// `kBinary` of exactly 8 bytes: the little-endian double. Missing and other
  /// types or sizes throw as ReadInteger() does.
  DateTime ReadDateTime(std::string_view name) const;

  /// Writers replace any earlier value of that name whatever its type. A refused
  /// write (or no open key) throws "Fehler beim Setzen der Daten für '<name>'".
  void WriteString(std::string_view name, std::string_view value);
  void WriteInteger(std::string_view name, int32_t value);
  void WriteBool(std::string_view name, bool value);
  void WriteDateTime(std::string_view name, DateTime value);

  /// The hive this key belongs to.
  RegistryHive& hive() const { return hive_; }

 private:
  void Write(std::string_view name, const RegValue& value);

  RegistryHive& hive_;
  RegKey key_ = 0;
};

}  // namespace parvolind
