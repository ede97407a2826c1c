#!/usr/bin/env bash
# Builds the program, shows its real windows under Xvfb (with trayer as the tray) on a
# sandboxed store holding a few example jobs, and saves a PNG of each state into the
# folder given (default: screenshots/).
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-screenshots}")"

bash scripts/build.sh
# Only this script needs a virtual display and a tray; the program does not.
missing=()
for package in xvfb trayer; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

sandbox="$(mktemp -d /tmp/parvolind-screenshots.XXXXXX)"
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$sandbox"
}
trap finish EXIT
export XDG_CONFIG_HOME="$sandbox/config" XDG_STATE_HOME="$sandbox/state"
export XDG_RUNTIME_DIR="$sandbox/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$out"
chmod 700 "$XDG_RUNTIME_DIR"

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 \
  --tint 0x4a6283 --transparent true --alpha 0 >/dev/null 2>&1 &
pids+=($!)
sleep 1

LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=xcb \
  build/bin/parvolind-screenshot-tour "$out"
echo "screenshots in $out"
