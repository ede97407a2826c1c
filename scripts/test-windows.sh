#!/usr/bin/env bash
# Cross-builds the core (platform, store, engine, schedule), their tests and parvolind-cli.exe
# for 64-bit Windows with MinGW-w64, and runs the tests and an end-to-end check of the CLI under
# Wine, headless, on the real (Wine's) registry. Everything Wine keeps lives in the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="${PARVOLIND_WINDOWS_BUILD:-$root/build-windows}"

packages=(cmake ninja-build wine64 g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
          googletest)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

wine=/usr/lib/wine/wine64
export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
unset DISPLAY                               # headless: no window ever appears
mkdir -p "$build/tmp"
export TMP="$build/tmp" TEMP="$build/tmp"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARVOLIND_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "$@"
cmake --build "$build" -j "$(nproc)"

# German regional settings, as the tests expect them: Wine takes the user's locale from LC_ALL
# (also where Linux has no such locale installed). Wine's own data for de-DE writes the short
# date as d.M.yyyy; a German Windows writes dd.MM.yyyy, which the user setting restores. The
# first start makes the prefix, before CTest counts any test's time.
export PARVOLIND_WINE_LOCALE=de_DE.UTF-8
LC_ALL=$PARVOLIND_WINE_LOCALE "$wine" reg add 'HKCU\Control Panel\International' \
  /v sShortDate /d dd.MM.yyyy /f >/dev/null
# Windows without a display: Wine's null graphics driver makes (never shown) top-level windows, as
# the session-end watch needs. It is taken when Wine starts anew, hence the restart.
LC_ALL=$PARVOLIND_WINE_LOCALE "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null \
  /f >/dev/null
/usr/lib/wine/wineserver -k || true
/usr/lib/wine/wineserver -w || true
status=0
LC_ALL=$PARVOLIND_WINE_LOCALE ctest --test-dir "$build" --output-on-failure --timeout 600 \
  -j "$(nproc)" || status=$?
if [ "$status" -eq 0 ]; then
  bash "$root/scripts/test-windows-cli.sh" "$build" || status=$?
fi
/usr/lib/wine/wineserver -k || true
exit "$status"
