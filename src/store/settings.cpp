#include "store/settings.h"

#include <stdexcept>
#include <string>

#include "store/registry_key.h"

namespace parvolind {

Settings::Settings(RegistryHive& hive) : hive_(hive) {}

bool Settings::IsBufferSize(int kilobytes) {
  return kilobytes == 32 || kilobytes == 64 || kilobytes == 128 || kilobytes == 256 ||
         kilobytes == 512;
}

int32_t Settings::CopyBufferSizeFor(int kilobytes) {
  // One byte less than the nominal size; the copy reads at most this much at once.
  return static_cast<int32_t>(kilobytes) * 1024 - 1;
}

void Settings::Load() {
  RegistryKey key(hive_);
  key.OpenForReading(kProgramKeyPath);  // a missing key reads as all values absent

  if (key.ValueExists("Minimized")) {
    if (key.ReadBool("Minimized")) {
      ChooseStartMinimized();
    } else {
      ChooseShowWindow();
    }
  }
  if (key.ValueExists("AnimatedIcon")) animated_icon_ = key.ReadBool("AnimatedIcon");
  if (key.ValueExists("Logfile")) logfile_ = key.ReadBool("Logfile");
  if (key.ValueExists("Trash")) trash_ = key.ReadBool("Trash");
  // Any other stored size stays in the store untouched until the user picks a
  // size; meanwhile the default buffer is used.
  const bool stored = key.ValueExists("BufferSize");
  const int kilobytes = stored ? key.ReadInteger("BufferSize") : 0;
  if (stored && IsBufferSize(kilobytes)) {
    ChooseBufferSize(kilobytes);
  } else {
    copy_buffer_size_ = kDefaultCopyBufferSize;
  }
}

void Settings::ChooseStartMinimized() {
  start_minimized_ = true;
  WriteBool("Minimized", true);
}

void Settings::ChooseShowWindow() {
  start_minimized_ = false;
  WriteBool("Minimized", false);
}

void Settings::ToggleAnimatedIcon() {
  animated_icon_ = !animated_icon_;
  WriteBool("AnimatedIcon", animated_icon_);
}

void Settings::ToggleTrash() {
  trash_ = !trash_;
  WriteBool("Trash", trash_);
}

void Settings::ToggleLogfile() {
  logfile_ = !logfile_;
  WriteBool("Logfile", logfile_);
}

void Settings::ChooseBufferSize(int kilobytes) {
  if (!IsBufferSize(kilobytes)) {
    throw std::invalid_argument("no such buffer size: " + std::to_string(kilobytes));
  }
  buffer_kilobytes_ = kilobytes;
  SaveBufferReg(kilobytes);
  // Only reached when the value was stored.
  copy_buffer_size_ = CopyBufferSizeFor(kilobytes);
}

void Settings::SaveBufferReg(int kilobytes) { WriteInteger("BufferSize", kilobytes); }

void Settings::WriteBool(const char* name, bool value) { WriteInteger(name, value ? 1 : 0); }

void Settings::WriteInteger(const char* name, int32_t value) {
  // Creating the key path and setting the value are one unit, so a refused
  // write leaves no half-made keys behind.
  HiveTransaction transaction(hive_);
  RegistryKey key(hive_);
  if (transaction.status() == RegStatus::kOk) key.OpenForWriting(kProgramKeyPath, true);
  key.WriteInteger(name, value);  // throws "Fehler beim Setzen der Daten für '...'"
  key.Close();
  if (transaction.Commit() != RegStatus::kOk) {
    throw RegistryError("Fehler beim Setzen der Daten für '" + std::string(name) + "'");
  }
}

}  // namespace parvolind
