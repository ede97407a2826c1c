#!/usr/bin/env bash
# completion_test.sh COMPLETION PARVOLIND-CLI: the bash completion offers the commands,
# the job names from "parvolind-cli list" (quoted where they hold a blank) and files.
set -euo pipefail
completion="$1"
cli="$2"

sandbox="$(mktemp -d)"
trap 'rm -rf "$sandbox"' EXIT
export XDG_CONFIG_HOME="$sandbox/config" XDG_STATE_HOME="$sandbox/state"
export XDG_DATA_HOME="$sandbox/data" XDG_RUNTIME_DIR="$sandbox/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export LC_ALL=C.UTF-8

printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Orbelt\Parvolind\Jobs\Fotos]' '"Name"="Fotos"' '' \
  '[HKEY_CURRENT_USER\Software\Orbelt\Parvolind\Jobs\Musik Öl]' '"Name"="Musik Öl"' '' \
  '[HKEY_CURRENT_USER\Software\Orbelt\Parvolind\Jobs\Musikalien]' '"Name"="Musikalien"' \
  >"$sandbox/jobs.reg"
"$cli" import "$sandbox/jobs.reg" >/dev/null

source "$completion"
failures=0
# expect REPLIES WORD...: completes the last WORD after the program, compares COMPREPLY.
expect() {
  local want="$1"
  shift
  COMP_WORDS=("$cli" "$@")
  COMP_CWORD=$#
  _parvolind_cli
  local got
  got="$(printf '%s|' "${COMPREPLY[@]}")"
  if [[ $got != "$want" ]]; then
    echo "FEHLER: '$*' ergänzt zu '$got', erwartet '$want'"
    failures=$((failures + 1))
  fi
}

expect "list|show|run|preview|export|import|help|--help|-h|" ""
expect "export|" e
expect "Fotos|Musik\ Öl|Musikalien|" run ""
expect "Musik\ Öl|Musikalien|" show Mus
expect "Fotos|" preview F
expect "Musik\ Öl|" run 'Musik\ '
expect "'Musik Öl'|'Musikalien'|" run "'Musik"
expect "|" run Fotos ""
expect "|" list ""
touch "$sandbox/sicherung.reg"
expect "$sandbox/sicherung.reg|" import "$sandbox/sich"

if ((failures > 0)); then exit 1; fi
echo "Ergänzung in Ordnung"
