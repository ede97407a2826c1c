#include "store/registry_key.h"

#include <bit>
#include <cstring>

namespace parvolind {
namespace {

std::string Quoted(std::string_view text, std::string_view name) {
  std::string message(text);
  message += " '";
  message += name;
  message += "'";
  return message;
}

[[noreturn]] void ThrowInvalidType(std::string_view name) {
  throw RegistryError(Quoted("Ungültiger Datentyp für", name));
}

[[noreturn]] void ThrowReadFailed(std::string_view name) {
  throw RegistryError(Quoted("Fehler beim Holen der Daten für", name));
}

[[noreturn]] void ThrowWriteFailed(std::string_view name) {
  throw RegistryError(Quoted("Fehler beim Setzen der Daten für", name));
}

// The stored form is little-endian whatever the machine is.
std::string LittleEndianBytes(uint64_t bits, size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return bytes;
}

uint64_t FromLittleEndian(const std::string& bytes) {
  uint64_t bits = 0;
  for (size_t i = bytes.size(); i > 0; --i) {
    bits = (bits << 8) | static_cast<unsigned char>(bytes[i - 1]);
  }
  return bits;
}

}  // namespace

RegistryKey::RegistryKey(RegistryHive& hive) : hive_(hive) {}

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::OpenForReading(std::string_view path) {
  Close();
  RegKey key = 0;
  if (hive_.OpenKey(path, false, &key) != RegStatus::kOk) return false;
  key_ = key;
  return true;
}

bool RegistryKey::OpenForWriting(std::string_view path, bool create) {
  Close();
  RegKey key = 0;
  if (hive_.OpenKey(path, create, &key) != RegStatus::kOk) return false;
  key_ = key;
  return true;
}

void RegistryKey::Close() {
  if (key_ != 0) hive_.CloseKey(key_);
  key_ = 0;
}

bool RegistryKey::QueryRaw(std::string_view name, RegValue* value) const {
  if (key_ == 0) return false;
  RegValue local;
  const RegStatus status = hive_.QueryValue(key_, name, value != nullptr ? value : &local);
  return status == RegStatus::kOk;
}

bool RegistryKey::ValueExists(std::string_view name) const { return QueryRaw(name, nullptr); }

bool RegistryKey::ValueExistsOrThrow(std::string_view name) const {
  if (key_ == 0) return false;
  RegValue value;
  const RegStatus status = hive_.QueryValue(key_, name, &value);
  if (status == RegStatus::kOk) return true;
  if (status == RegStatus::kNotFound) return false;
  ThrowReadFailed(name);
}

std::vector<std::string> RegistryKey::ValueNames() const {
  std::vector<std::string> names;
  if (key_ == 0) return names;
  std::string name;
  RegValue value;
  for (uint32_t index = 0; hive_.EnumValue(key_, index, &name, &value) == RegStatus::kOk; ++index) {
    names.push_back(name);
  }
  return names;
}

std::string RegistryKey::ReadString(std::string_view name) const {
  if (key_ == 0) return {};
  RegValue value;
  const RegStatus status = hive_.QueryValue(key_, name, &value);
  if (status == RegStatus::kNotFound) return {};
  // A store that cannot be read is not the same as a missing value: reading it
  // as empty would hand an empty path or time to the caller.
  if (status != RegStatus::kOk) ThrowReadFailed(name);
  if (value.type != RegType::kSz && value.type != RegType::kExpandSz) ThrowInvalidType(name);
  const size_t end = value.data.find('\0');
  if (end != std::string::npos) value.data.resize(end);
  return std::move(value.data);
}

int32_t RegistryKey::ReadInteger(std::string_view name) const {
  RegValue value;
  if (!QueryRaw(name, &value)) ThrowReadFailed(name);
  if (value.type != RegType::kDword || value.data.size() != 4) ThrowInvalidType(name);
  return static_cast<int32_t>(static_cast<uint32_t>(FromLittleEndian(value.data)));
}

bool RegistryKey::ReadBool(std::string_view name) const { return ReadInteger(name) != 0; }

DateTime RegistryKey::ReadDateTime(std::string_view name) const {
  RegValue value;
  if (!QueryRaw(name, &value)) ThrowReadFailed(name);
  if (value.type != RegType::kBinary || value.data.size() != 8) ThrowInvalidType(name);
  return std::bit_cast<double>(FromLittleEndian(value.data));
}

void RegistryKey::WriteString(std::string_view name, std::string_view value) {
  RegValue stored{RegType::kSz, std::string(value)};
  stored.data.push_back('\0');
  Write(name, stored);
}

void RegistryKey::WriteInteger(std::string_view name, int32_t value) {
  Write(name, RegValue{RegType::kDword, LittleEndianBytes(static_cast<uint32_t>(value), 4)});
}

void RegistryKey::WriteBool(std::string_view name, bool value) {
  WriteInteger(name, value ? 1 : 0);
}

void RegistryKey::WriteDateTime(std::string_view name, DateTime value) {
  Write(name, RegValue{RegType::kBinary, LittleEndianBytes(std::bit_cast<uint64_t>(value), 8)});
}

void RegistryKey::Write(std::string_view name, const RegValue& value) {
  if (key_ == 0 || hive_.SetValue(key_, name, value) != RegStatus::kOk) ThrowWriteFailed(name);
}

}  // namespace parvolind
