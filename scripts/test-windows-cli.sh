#!/usr/bin/env bash
# End-to-end check of parvolind-cli.exe under Wine, on Wine's real registry: a backup made on
# Linux is imported, the job appears under HKCU\Software\Orbelt\Parvolind\Jobs, a run
# synchronises two folders and logs beside the executable, and the export is a file that Wine's
# own regedit imports. Called by test-windows.sh with the build folder; WINEPREFIX is set.
set -euo pipefail
build="$1"
root="$(cd "$(dirname "$0")/.." && pwd)"
wine_binary=/usr/lib/wine/wine64
wine() { LC_ALL="${PARVOLIND_WINE_LOCALE:-de_DE.UTF-8}" "$wine_binary" "$@"; }
cli="$build/bin/parvolind-cli.exe"
work="$build/e2e"
rm -rf "$work" "$build/bin/parvolind.log"
mkdir -p "$work/eins/Unterordner" "$work/zwei" "$work/linux-config"

fail() { echo "test-windows-cli: $*" >&2; exit 1; }
# Wine shows the Linux root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
reg_key='HKCU\Software\Orbelt\Parvolind'

# The backup, made by the Linux CLI where it is built (as in CI, after the Linux suite), else
# written here in the same form.
dir1=$(windows_path "$work/eins\\")
dir2=$(windows_path "$work/zwei\\")
escaped1=${dir1//\\/\\\\}
escaped2=${dir2//\\/\\\\}
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Orbelt\Parvolind]' '"Logfile"=dword:00000001' '"Trash"=dword:00000000' '' \
  '[HKEY_CURRENT_USER\Software\Orbelt\Parvolind\Jobs]' '' \
  '[HKEY_CURRENT_USER\Software\Orbelt\Parvolind\Jobs\Abgleich]' \
  '"Name"="Abgleich"' '"Definition"="08. Dezember 2026, 03:17 Uhr"' '"Execution"="n/a"' \
  "\"Dir1\"=\"$escaped1\"" "\"Dir2\"=\"$escaped2\"" \
  '"SubDirs"=dword:00000001' '"DirUp"=dword:00000000' '"DirDown"=dword:00000001' \
  '"CritAll"=dword:00000001' '"CritNew"=dword:00000000' '"CritNewer"=dword:00000000' \
  '"ArchivBit"=dword:00000000' '"DelOthers"=dword:00000001' '"FilterType"=dword:00000000' \
  '"Filter"=""' '"FilterOld"=dword:00000000' '"FilterValue"=dword:0000000e' \
  '"Intervall"=dword:0000000a' '"IntEnabled"=dword:00000000' '"Time"="18:00"' \
  '"TimeEnabled"=dword:00000000' '"OnMonday"=dword:00000001' '"OnTuesday"=dword:00000001' \
  '"OnWednesday"=dword:00000001' '"OnThursday"=dword:00000001' '"OnFriday"=dword:00000001' \
  '"OnSaturday"=dword:00000001' '"OnSunday"=dword:00000001' '"CRC32"=dword:00000001' \
  '"NextSync"=hex:00,00,00,00,00,00,00,00' '"Recover"=dword:00000002' '' > "$work/written.reg"
backup="$work/written.reg"
linux_cli="$root/build/bin/parvolind-cli"
if [ -x "$linux_cli" ]; then
  XDG_CONFIG_HOME="$work/linux-config" XDG_STATE_HOME="$work/linux-config" \
    XDG_RUNTIME_DIR="$work/linux-config" "$linux_cli" import "$backup" >/dev/null
  XDG_CONFIG_HOME="$work/linux-config" XDG_STATE_HOME="$work/linux-config" \
    XDG_RUNTIME_DIR="$work/linux-config" "$linux_cli" export "$work/linux.reg" >/dev/null
  backup="$work/linux.reg"
fi

wine reg delete "$reg_key" /f >/dev/null 2>&1 || true
wine "$cli" import "$(windows_path "$backup")" || fail "import failed"
wine reg query "$reg_key\\Jobs" | tr -d '\r' |
  grep -qx 'HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs\\Abgleich' ||
  fail "the imported job is not in the registry"
[ "$(wine "$cli" list | tr -d '\r')" = "$(printf 'Abgleich\tmanuell')" ] ||
  fail "list does not show the imported job"

printf 'eins' > "$work/eins/A.TXT"
printf 'zwei' > "$work/eins/Unterordner/b.txt"
printf 'alt' > "$work/zwei/a.txt"       # the same file as A.TXT on Windows
printf 'weg' > "$work/zwei/surplus.txt"
touch -d '2000-01-01' "$work/zwei/a.txt"
# The preview lists what the run will do and changes nothing.
preview=$(wine "$cli" preview Abgleich 2>/dev/null | tr -d '\r') || fail "preview failed with exit code $?"
printf '%s\n' "$preview" | grep -q '^ersetzen'$'\t' || fail "the preview does not list the replacement"
[ "$(printf '%s\n' "$preview" | wc -l)" = 3 ] || fail "the preview lists $(printf '%s\n' "$preview" | wc -l) actions, not 3"
[ "$(cat "$work/zwei/a.txt")" = "alt" ] && [ -e "$work/zwei/surplus.txt" ] ||
  fail "the preview changed the receiving folder"
[ ! -e "$build/bin/parvolind.log" ] || fail "the preview wrote the log"
wine "$cli" run Abgleich >/dev/null || fail "run failed with exit code $?"
[ "$(cat "$work/zwei/a.txt")" = "eins" ] || fail "a.txt was not replaced by A.TXT"
[ "$(ls "$work/zwei" | grep -ci '^a.txt$')" = 1 ] || fail "A.TXT and a.txt became two files"
[ "$(cat "$work/zwei/Unterordner/b.txt")" = "zwei" ] || fail "the sub-folder was not copied"
[ ! -e "$work/zwei/surplus.txt" ] || fail "the surplus file was not deleted"
grep -q "Auftrag:      Abgleich" "$build/bin/parvolind.log" ||
  fail "no log beside the executable"
wine reg query "$reg_key\\Jobs\\Abgleich" /v Execution | grep -q 'Uhr' ||
  fail "Execution was not stamped"

# The export is a file that Wine's own regedit imports.
wine "$cli" export "$(windows_path "$work/export.reg")" >/dev/null || fail "export failed"
wine reg delete "$reg_key" /f >/dev/null
wine regedit /S "$(windows_path "$work/export.reg")"
wine reg query "$reg_key\\Jobs\\Abgleich" /v Dir2 | tr -d '\r' | grep -qF "$dir2" ||
  fail "regedit did not import the export"
wine reg delete "$reg_key" /f >/dev/null
echo "test-windows-cli: 1 passed, 0 failed"
