#pragma once

#include <cstdint>

#include "platform/registry_hive.h"

namespace parvolind {

/// The program-wide settings as the main window holds them at run time: the check
/// states of the options menu and the copy buffer size. Every change is written
/// at once into the program's key (opened with creation, one value per write);
/// nothing is cached from the store. Defaults are the menu's design state:
/// window shown, animated tray icon, logging on, 128 KB buffer, deleted and replaced files
/// into the trash.
class Settings {
 public:
  /// The copy buffer in bytes when no valid size is stored (128 KB less one byte).
  static constexpr int32_t kDefaultCopyBufferSize = 131071;

  explicit Settings(RegistryHive& hive);

  /// Reads the stored settings at start-up. A missing key or value keeps the
  /// current state and writes nothing. A stored `Minimized` and a valid
  /// `BufferSize` (32 to 512) are written back through the menu commands; any
  /// other `BufferSize` sets the default buffer and stays stored as it is.
  /// Throws RegistryError ("Ungültiger Datentyp für '...'") for a value of the
  /// wrong type, skipping the remaining steps; also a refused write-back throws.
  void Load();

  /// "&Minimiert starten" (Minimiertstarten1Click): start with only the tray
  /// icon; writes `Minimized` = 1.
  void ChooseStartMinimized();
  /// "&Fenster anzeigen" (Fensteranzeigen1Click): show the window at start;
  /// writes `Minimized` = 0.
  void ChooseShowWindow();
  /// "Animiertes Symbol" (AnimiertesSymbol1Click): inverts the check, then writes
  /// `AnimatedIcon` = the new state.
  void ToggleAnimatedIcon();
  /// "&Logfile erstellen" (Logfileerstellen1Click): inverts the check, then
  /// writes `Logfile` = the new state.
  void ToggleLogfile();
  /// "Gelöschte und ersetzte Dateien in den Papierkorb" (Papierkorb1Click): inverts the
  /// check, then writes `Trash` = the new state.
  void ToggleTrash();
  /// "32 KB" to "512 KB" (N32KB1Click to N512KB1Click): checks that size, writes
  /// `BufferSize` (SaveBufferReg), then sets the copy buffer size. When the write
  /// is refused the check stays moved and the copy buffer size stays as it was.
  /// Throws std::invalid_argument for a size that is not on the menu.
  void ChooseBufferSize(int kilobytes);
  /// Writes `BufferSize` = `kilobytes` (SaveBufferReg).
  void SaveBufferReg(int kilobytes);

  /// Whether `kilobytes` is one of the menu's sizes 32, 64, 128, 256, 512.
  static bool IsBufferSize(int kilobytes);
  /// The copy buffer in bytes for a menu size: kilobytes * 1024 - 1.
  static int32_t CopyBufferSizeFor(int kilobytes);

  /// "&Minimiert starten" is checked (and "&Fenster anzeigen" not).
  bool start_minimized() const { return start_minimized_; }
  /// "Animiertes Symbol" is checked.
  bool animated_icon() const { return animated_icon_; }
  /// "&Logfile erstellen" is checked.
  bool logfile() const { return logfile_; }
  /// "Gelöschte und ersetzte Dateien in den Papierkorb" is checked.
  bool trash() const { return trash_; }
  /// The checked buffer size item, in kilobytes.
  int buffer_kilobytes() const { return buffer_kilobytes_; }
  /// The buffer the file copy allocates, in bytes (`CopyBufferSize`).
  int32_t copy_buffer_size() const { return copy_buffer_size_; }

 private:
  void WriteBool(const char* name, bool value);
  void WriteInteger(const char* name, int32_t value);

  RegistryHive& hive_;
  bool start_minimized_ = false;
  bool animated_icon_ = true;
  bool logfile_ = true;
  bool trash_ = true;
  int buffer_kilobytes_ = 128;
  int32_t copy_buffer_size_ = kDefaultCopyBufferSize;
};

}  // namespace parvolind
