#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Parvolind
# need. Safe to run again; uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config  # build
  qt6-base-dev                      # QtCore (locale, collation, lock files) and QtWidgets
  qt6-translations-l10n             # Qt's own dialogs and buttons in German
  libsqlite3-dev                    # the registry hive on Linux
  libdeflate-dev                    # CRC-32
  libgtest-dev libgmock-dev         # tests
  exfatprogs exfat-fuse             # tests on a real exFAT stick (a loop device through FUSE)
  dosfstools fusefat                # tests on a real FAT stick
  xvfb xdotool trayer               # the test that drives the program under an X server
  fonts-wine                        # Tahoma-metric window font
  appstream desktop-file-utils man-db  # tests: validate metadata, desktop entry, man pages
  e2fsprogs mount                   # tests on a damaged ext4 image and bind mounts (as root)
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
