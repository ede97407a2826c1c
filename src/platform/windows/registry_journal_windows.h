#pragma once

// The undo journal of a registry transaction, kept in a file beside the hive so that the changes
// of a process that ended in the middle of a transaction can still be taken back.
//
// The file is a sequence of records, one per change, each written and flushed before the change
// it covers is made:
//
//   u32 magic "PVUJ" | u32 payload length | u64 FNV-1a of the payload | payload
//
// all little-endian. The payload holds the kind, the key's path, the value's name and the old
// value or the deleted key's values, strings as UTF-16 with their length in front. Since a record
// is complete on disk before its change begins, only the last record can be cut short, and its
// change was not made: reading stops at the first record that is incomplete or fails its checksum.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvolind::windows {

/// A stored value as the registry holds it: its type and its bytes.
using RawValue = std::pair<DWORD, std::vector<BYTE>>;

/// One change made inside a transaction, and what it takes to undo it.
struct RegistryUndo {
  enum class Kind : BYTE { kCreatedKey = 1, kValue = 2, kDeletedKey = 3 } kind;
  std::wstring key_path;                                  ///< relative to the hive's root
  std::wstring name;                                      ///< the value (kValue)
  std::optional<RawValue> old_value;                      ///< kValue; none: it was absent
  std::vector<std::pair<std::wstring, RawValue>> values;  ///< kDeletedKey
};

/// The bytes of one journal record.
std::string EncodeUndoRecord(const RegistryUndo& undo);

/// The complete records at the start of `bytes`, oldest first; reading stops at the first record
/// that is cut short, damaged or not a record at all.
std::vector<RegistryUndo> DecodeUndoRecords(std::string_view bytes);

/// The journal file of one hive. While a transaction runs, its writer keeps the file open without
/// sharing; the system closes it when the writer ends, however it ends, so a journal that can be
/// opened belongs to no living writer.
class UndoJournalFile {
 public:
  /// How an attempt to take the journal ended.
  enum class Claim { kClaimed, kHeldElsewhere, kFailed };

  /// `path` is the journal's file in long form.
  explicit UndoJournalFile(std::wstring path) : path_(std::move(path)) {}
  ~UndoJournalFile() { Close(); }
  UndoJournalFile(const UndoJournalFile&) = delete;
  UndoJournalFile& operator=(const UndoJournalFile&) = delete;

  /// Opens the journal for this process alone; with `create` it is made (with its folder) when
  /// missing, else a missing journal gives kFailed.
  Claim Take(bool create);

  /// Whether this process holds the journal.
  bool held() const { return file_ != INVALID_HANDLE_VALUE; }

  /// Reads the records in the held journal, oldest first.
  bool ReadAll(std::vector<RegistryUndo>* records);

  /// Appends a record and flushes it to the disk.
  bool Append(const RegistryUndo& undo);

  /// Empties the held journal and flushes that: nothing is left to undo.
  bool Clear();

  /// Closes the journal, and with `remove` deletes its file.
  void Close(bool remove = false);

  /// Whether a journal file exists.
  bool Exists() const;

 private:
  std::wstring path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace parvolind::windows
