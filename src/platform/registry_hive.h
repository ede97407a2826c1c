#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace parvolind {

/// Registry value types, numbered as the Windows registry numbers them, so that
/// raw values and exported files keep their meaning on every platform. Types
/// without a name here are kept as raw bytes under their number.
enum class RegType : uint32_t {
  kNone = 0,
  kSz = 1,
  kExpandSz = 2,
  kBinary = 3,
  kDword = 4,
  kDwordBigEndian = 5,
  kLink = 6,
  kMultiSz = 7,
  kQword = 11,
};

/// One stored value: its type and its bytes exactly as stored (a `kSz` string
/// includes its terminating NUL, a `kDword` is four little-endian bytes).
struct RegValue {
  RegType type = RegType::kNone;
  std::string data;
};

/// Outcome of a hive operation, in the spirit of the Windows error codes.
enum class RegStatus {
  kOk,
  kNotFound,      ///< key or value missing, or a handle whose key was deleted
  kNoMoreItems,   ///< an enumeration index past the end
  kAccessDenied,  ///< e.g. deleting a key that still has sub-keys
  kInvalidName,   ///< an empty or over-long name, or a name with a backslash
  kBusy,          ///< another process held the store for longer than the busy timeout
  kIoError,       ///< the store could not be read or written
};

/// Handle of an open key. 0 is never a valid handle.
using RegKey = int64_t;

/// The current user's registry hive (HKEY_CURRENT_USER), modelled on the Windows
/// registry calls: keys are opened by a backslash-separated path, worked on and
/// closed again. Key names compare without regard to case and keep the case they
/// were created with; sub-keys enumerate in case-insensitive name order.
///
/// Enumerating a key by rising index costs about as much per call as reading one
/// value, however many sub-keys or values the key has.
///
/// Every single operation is atomic. Several operations become one atomic unit
/// between BeginTransaction() and CommitTransaction(); transactions nest, and only
/// the outermost commit makes the changes visible to other processes.
class RegistryHive {
 public:
  virtual ~RegistryHive() = default;

  /// Opens the key at `path`, relative to HKEY_CURRENT_USER; a leading backslash
  /// is ignored ("\Software\Orbelt" and "Software\Orbelt" are the same key). With
  /// `create`, the key and every missing key on its path are created.
  virtual RegStatus OpenKey(std::string_view path, bool create, RegKey* key) = 0;

  /// Closes a handle. Closing 0 or an already closed handle does nothing.
  virtual void CloseKey(RegKey key) = 0;

  /// Reads a value; an empty name is the key's default value.
  virtual RegStatus QueryValue(RegKey key, std::string_view name, RegValue* value) = 0;

  /// Stores a value, replacing any earlier value of that name whatever its type.
  virtual RegStatus SetValue(RegKey key, std::string_view name, const RegValue& value) = 0;

  /// Removes a value; kNotFound when there is none.
  virtual RegStatus DeleteValue(RegKey key, std::string_view name) = 0;

  /// The name of sub-key number `index` (0-based, case-insensitive name order);
  /// kNoMoreItems past the last.
  virtual RegStatus EnumKey(RegKey key, uint32_t index, std::string* name) = 0;

  /// Value number `index` with its name and data (in the order the values were
  /// first set); kNoMoreItems past the last.
  virtual RegStatus EnumValue(RegKey key, uint32_t index, std::string* name, RegValue* value) = 0;

  /// Number of sub-keys, the length of the longest sub-key name, number of values.
  /// Any of the pointers may be null.
  virtual RegStatus QueryInfoKey(RegKey key, uint32_t* sub_keys, uint32_t* max_sub_key_length,
                                 uint32_t* values) = 0;

  /// Deletes the sub-key `sub_key` of `key` with its values. Like RegDeleteKey it
  /// refuses (kAccessDenied) a key that still has sub-keys of its own.
  virtual RegStatus DeleteKey(RegKey key, std::string_view sub_key) = 0;

  /// Starts a write transaction (nested calls only count the depth).
  virtual RegStatus BeginTransaction() = 0;
  /// Ends the innermost transaction; the outermost one makes everything durable.
  virtual RegStatus CommitTransaction() = 0;
  /// Abandons the whole outermost transaction, also from an inner level.
  virtual void RollbackTransaction() = 0;
};

/// How a hive is opened.
enum class HiveAccess {
  /// Created when missing; every operation is allowed.
  kReadWrite,
  /// Nothing is ever written, created or locked for writing, so a store on a
  /// read-only file or in a read-only folder can still be read. A missing store
  /// reads as an empty hive. Every write is refused with kAccessDenied; a
  /// transaction only reads one consistent state of the store.
  kReadOnly,
};

/// Opens the hive stored at `database_path` (with kReadWrite creating it if
/// needed). Returns null and sets `error` to the path and the cause when the
/// store cannot be opened. On Windows, where an ordinary user cannot load a hive
/// file of their own, the path names a key of the real registry that stands in
/// for the file (below HKEY_CURRENT_USER\Software\Orbelt\Parvolind-Stores), so
/// that every such hive is still a hive of its own.
std::unique_ptr<RegistryHive> OpenRegistryHive(const std::string& database_path, std::string* error,
                                               HiveAccess access = HiveAccess::kReadWrite);

/// Opens the current user's hive in its usual place (on Linux
/// $XDG_CONFIG_HOME/parvolind/registry.sqlite; with kReadWrite the folders are
/// created as needed; on Windows HKEY_CURRENT_USER itself).
std::unique_ptr<RegistryHive> OpenUserRegistryHive(std::string* error,
                                                   HiveAccess access = HiveAccess::kReadWrite);

/// Removes the hive that OpenRegistryHive() keeps for `database_path`, with
/// everything in it; no hive of it may be open. True when it is gone (or never was).
bool DeleteRegistryHive(const std::string& database_path);

/// Groups hive operations into one all-or-nothing unit: rolls back unless
/// Commit() was called.
class HiveTransaction {
 public:
  explicit HiveTransaction(RegistryHive& hive) : hive_(hive) { status_ = hive_.BeginTransaction(); }
  ~HiveTransaction() {
    if (status_ == RegStatus::kOk && !done_) hive_.RollbackTransaction();
  }
  HiveTransaction(const HiveTransaction&) = delete;
  HiveTransaction& operator=(const HiveTransaction&) = delete;

  /// kOk when the transaction could be started.
  RegStatus status() const { return status_; }

  /// Makes the changes durable; returns the outcome of the commit.
  RegStatus Commit() {
    done_ = true;
    return status_ == RegStatus::kOk ? hive_.CommitTransaction() : status_;
  }

 private:
  RegistryHive& hive_;
  RegStatus status_;
  bool done_ = false;
};

}  // namespace parvolind
