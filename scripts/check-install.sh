#!/usr/bin/env bash
# Checks an installed copy of Parvolind: every file lies where the README says and no
# other file is there, folders and files carry the modes a package wants, and the
# installed parvolind-cli keeps its backup in the state folder.
#   scripts/check-install.sh ROOT/PREFIX   e.g. a `dpkg -x` root's usr/, or the prefix
#                                          of `cmake --install`
# Writes only into a temporary folder of its own.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
prefix="${1:?Aufruf: check-install.sh PREFIX}"
prefix="$(cd "$prefix" && pwd)"

expected=(
  bin/parvolind
  bin/parvolind-cli
  share/applications/de.orbelt.parvolind.desktop
  share/metainfo/de.orbelt.parvolind.metainfo.xml
  share/bash-completion/completions/parvolind-cli
  share/man/man1/parvolind.1.gz
  share/man/man1/parvolind-cli.1.gz
  share/doc/parvolind/copyright
  share/doc/parvolind/changelog.gz
  share/icons/hicolor/scalable/apps/parvolind.svg
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/parvolind.png")
done
while IFS= read -r file; do
  expected+=("share/parvolind/help/$file")
done < <(cd "$source_dir/data/help" && find . -type f -printf '%P\n')

failures=0
fail() {
  echo "FEHLER: $*" >&2
  failures=$((failures + 1))
}

diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort) >&2 ||
  fail "die installierten Dateien weichen ab (< erwartet, > vorhanden)"

while IFS= read -r entry; do
  mode="${entry%% *}" path="${entry#* }"
  case "$path" in
    bin/*) [ "$mode" = 755 ] || fail "$path hat Modus $mode statt 755" ;;
    *) [ "$mode" = 644 ] || fail "$path hat Modus $mode statt 644" ;;
  esac
done < <(cd "$prefix" && find . -type f -printf '%m %P\n')
while IFS= read -r entry; do
  [ "${entry%% *}" = 755 ] || fail "Ordner ${entry#* } hat Modus ${entry%% *} statt 755"
done < <(cd "$prefix" && find . -mindepth 1 -type d -printf '%m %P\n')

# An installed copy keeps log and backup in the user's state folder, not in bin/.
sandbox="$(mktemp -d)"
trap 'rm -rf "$sandbox"' EXIT
export XDG_CONFIG_HOME="$sandbox/config" XDG_STATE_HOME="$sandbox/state"
export XDG_DATA_HOME="$sandbox/data" XDG_RUNTIME_DIR="$sandbox/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Orbelt\Parvolind\Jobs\Fotos]' '"Name"="Fotos"' \
  >"$sandbox/jobs.reg"
if "$prefix/bin/parvolind-cli" import "$sandbox/jobs.reg" >"$sandbox/out" 2>&1 &&
  "$prefix/bin/parvolind-cli" export >"$sandbox/out" 2>&1; then
  [ -f "$XDG_STATE_HOME/parvolind/parvolind.reg" ] ||
    fail "export schrieb nicht nach \$XDG_STATE_HOME/parvolind/: $(cat "$sandbox/out")"
  [ ! -e "$prefix/bin/parvolind.reg" ] || fail "export schrieb neben das installierte Programm"
else
  fail "parvolind-cli import/export: $(cat "$sandbox/out")"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures Fehler in $prefix" >&2
  exit 1
fi
echo "Installation in $prefix vollständig"
