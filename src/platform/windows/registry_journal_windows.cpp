#include "platform/windows/registry_journal_windows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace parvolind::windows {
namespace {

constexpr uint32_t kRecordMagic = 0x4A555650;  // "PVUJ" as it lies in the file
constexpr size_t kHeaderSize = 16;
// No record comes near this; a length beyond it is damage, not a record to wait for.
constexpr uint32_t kMaxPayload = 64u << 20;

uint64_t Fnv1a(std::string_view bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

template <typename Number>
void Put(std::string* out, Number number) {
  char bytes[sizeof(Number)];
  memcpy(bytes, &number, sizeof(Number));
  out->append(bytes, sizeof(Number));
}

void PutBytes(std::string* out, const void* data, size_t size) {
  Put(out, static_cast<uint32_t>(size));
  out->append(static_cast<const char*>(data), size);
}

void PutText(std::string* out, const std::wstring& text) {
  PutBytes(out, text.data(), text.size() * sizeof(wchar_t));
}

void PutValue(std::string* out, const RawValue& value) {
  Put(out, static_cast<uint32_t>(value.first));
  PutBytes(out, value.second.data(), value.second.size());
}

// Reads a payload front to back; any read past its end makes it invalid.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  template <typename Number>
  Number Get() {
    Number number{};
    if (!Take(sizeof(Number))) return number;
    memcpy(&number, bytes_.data() + position_ - sizeof(Number), sizeof(Number));
    return number;
  }

  std::string_view GetBytes() {
    const uint32_t size = Get<uint32_t>();
    if (!Take(size)) return {};
    return bytes_.substr(position_ - size, size);
  }

  std::wstring GetText() {
    const std::string_view bytes = GetBytes();
    if (bytes.size() % sizeof(wchar_t) != 0) ok_ = false;
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
  }

  RawValue GetValue() {
    const auto type = static_cast<DWORD>(Get<uint32_t>());
    const std::string_view bytes = GetBytes();
    return {type, std::vector<BYTE>(bytes.begin(), bytes.end())};
  }

  bool done() const { return ok_ && position_ == bytes_.size(); }
  bool ok() const { return ok_; }

 private:
  bool Take(size_t size) {
    if (!ok_ || bytes_.size() - position_ < size) {
      ok_ = false;
      return false;
    }
    position_ += size;
    return true;
  }

  std::string_view bytes_;
  size_t position_ = 0;
  bool ok_ = true;
};

std::optional<RegistryUndo> DecodePayload(std::string_view payload) {
  Reader reader(payload);
  RegistryUndo undo;
  const auto kind = reader.Get<BYTE>();
  if (kind < 1 || kind > 3) return std::nullopt;
  undo.kind = static_cast<RegistryUndo::Kind>(kind);
  undo.key_path = reader.GetText();
  undo.name = reader.GetText();
  if (reader.Get<BYTE>() != 0) undo.old_value = reader.GetValue();
  const auto count = reader.Get<uint32_t>();
  for (uint32_t i = 0; i < count && reader.ok(); ++i) {
    std::wstring name = reader.GetText();
    RawValue value = reader.GetValue();
    undo.values.emplace_back(std::move(name), std::move(value));
  }
  if (!reader.done()) return std::nullopt;
  return undo;
}

}  // namespace

std::string EncodeUndoRecord(const RegistryUndo& undo) {
  std::string payload;
  Put(&payload, static_cast<BYTE>(undo.kind));
  PutText(&payload, undo.key_path);
  PutText(&payload, undo.name);
  Put(&payload, static_cast<BYTE>(undo.old_value ? 1 : 0));
  if (undo.old_value) PutValue(&payload, *undo.old_value);
  Put(&payload, static_cast<uint32_t>(undo.values.size()));
  for (const auto& [name, value] : undo.values) {
    PutText(&payload, name);
    PutValue(&payload, value);
  }
  std::string record;
  Put(&record, kRecordMagic);
  Put(&record, static_cast<uint32_t>(payload.size()));
  Put(&record, Fnv1a(payload));
  return record + payload;
}

std::vector<RegistryUndo> DecodeUndoRecords(std::string_view bytes) {
  std::vector<RegistryUndo> records;
  while (bytes.size() >= kHeaderSize) {
    Reader header(bytes.substr(0, kHeaderSize));
    const auto magic = header.Get<uint32_t>();
    const auto size = header.Get<uint32_t>();
    const auto hash = header.Get<uint64_t>();
    if (magic != kRecordMagic || size > kMaxPayload || bytes.size() - kHeaderSize < size) break;
    const std::string_view payload = bytes.substr(kHeaderSize, size);
    if (Fnv1a(payload) != hash) break;
    std::optional<RegistryUndo> undo = DecodePayload(payload);
    if (!undo) break;
    records.push_back(std::move(*undo));
    bytes.remove_prefix(kHeaderSize + size);
  }
  return records;
}

UndoJournalFile::Claim UndoJournalFile::Take(bool create) {
  if (held()) return Claim::kClaimed;
  if (create) {
    const size_t separator = path_.find_last_of(L'\\');
    if (separator != std::wstring::npos)
      CreateDirectoryW(path_.substr(0, separator).c_str(), nullptr);
  }
  file_ = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                      create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ != INVALID_HANDLE_VALUE) return Claim::kClaimed;
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? Claim::kHeldElsewhere
                                                                           : Claim::kFailed;
}

bool UndoJournalFile::ReadAll(std::vector<RegistryUndo>* records) {
  records->clear();
  LARGE_INTEGER size{};
  LARGE_INTEGER start{};
  if (!GetFileSizeEx(file_, &size) || !SetFilePointerEx(file_, start, nullptr, FILE_BEGIN)) {
    return false;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!ReadFile(file_, bytes.data() + done, chunk, &read, nullptr)) return false;
    if (read == 0) break;
    done += read;
  }
  bytes.resize(done);
  *records = DecodeUndoRecords(bytes);
  return true;
}

bool UndoJournalFile::Append(const RegistryUndo& undo) {
  const std::string record = EncodeUndoRecord(undo);
  LARGE_INTEGER end{};
  if (!SetFilePointerEx(file_, end, nullptr, FILE_END)) return false;
  size_t done = 0;
  while (done < record.size()) {
    DWORD written = 0;
    if (!WriteFile(file_, record.data() + done, static_cast<DWORD>(record.size() - done), &written,
                   nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return FlushFileBuffers(file_) != 0;
}

bool UndoJournalFile::Clear() {
  LARGE_INTEGER start{};
  return SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) && SetEndOfFile(file_) &&
         FlushFileBuffers(file_);
}

void UndoJournalFile::Close(bool remove) {
  if (!held()) return;
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  // Others open the journal only under the hive's mutex, which the caller still holds.
  if (remove) DeleteFileW(path_.c_str());
}

bool UndoJournalFile::Exists() const {
  return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace parvolind::windows
