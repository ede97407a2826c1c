#pragma once

#include <string>

namespace parvolind::testing {

/// A small USB stick for tests: a file system image on a loop device, mounted through its FUSE
/// driver (the kernel here may lack FAT and exFAT). Needs root, /dev/fuse and the Debian
/// packages exfatprogs, exfat-fuse, dosfstools and fusefat. Unmounts and detaches itself in every
/// case when it goes.
class RemovableDrive {
 public:
  enum class Kind { kExfat, kFat };

  /// Makes a fresh image `image` of the kind; Plug() mounts it on `mount_point`.
  RemovableDrive(Kind kind, std::string image, std::string mount_point);
  ~RemovableDrive();
  RemovableDrive(const RemovableDrive&) = delete;
  RemovableDrive& operator=(const RemovableDrive&) = delete;

  /// Makes the image and mounts it; false with the reason in `why` (for a skip message) when
  /// this machine cannot.
  bool Plug(std::string* why);
  /// Unmounts the drive and detaches its loop device; the image stays for a later Plug().
  bool Unplug();

 private:
  bool Attach(std::string* why);

  Kind kind_;
  std::string image_;
  std::string mount_point_;
  std::string device_;
  bool formatted_ = false;
  bool mounted_ = false;
};

}  // namespace parvolind::testing
