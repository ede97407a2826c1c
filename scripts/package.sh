#!/usr/bin/env bash
# Builds the Debian package build-package/parvolind_<version>_amd64.deb: a release build
# with Debian's hardening flags, packed by CPack from the install rules. Then checks it
# with lintian (any error or warning fails) and unpacks it into a scratch root with
# dpkg -x to check that every file lies where the README says. Installs what it needs itself (Debian 12).
# Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
missing=()
for package in dpkg-dev lintian file; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The compiler and linker flags Debian builds its own packages with (fortify, stack
# protector, relro, bindnow, PIE).
# Given on every configure, since CMake reads the environment's flags only once, and
# it reads no CPPFLAGS, so the preprocessor's part (_FORTIFY_SOURCE) joins CXXFLAGS.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
build=build-package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARVOLIND_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" "$@"
cmake --build "$build"
rm -f "$build"/parvolind_*.deb
(cd "$build" && cpack -G DEB)
deb="$(ls "$build"/parvolind_*_amd64.deb)"
echo "Paket: $deb"

lintian --fail-on error,warning "$deb"

root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
bash scripts/check-install.sh "$root/usr"
[ -z "$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)" ] ||
  { echo "FEHLER: das Paket legt Dateien außerhalb von /usr ab" >&2; exit 1; }
echo "Fertig: $deb"
