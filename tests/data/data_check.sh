#!/usr/bin/env bash
# data_check.sh CHECK ARGUMENTS: one check of the installed data, run by CTest.
# Exit 0 passed, 1 failed, 77 skipped because the tool it needs is not installed.
set -euo pipefail
check="$1"
shift

need() {
  if ! command -v "$1" >/dev/null; then
    echo "übersprungen: $1 ist nicht installiert (Debian-Paket $2)"
    exit 77
  fi
}

# Runs a validator and fails on any message it prints, hints included.
quiet_or_fail() {
  local output
  if ! output="$("$@" 2>&1)" || [ -n "$output" ]; then
    printf '%s\n' "$output"
    exit 1
  fi
}

case "$check" in
  metainfo)
    need appstreamcli appstream
    # --no-net: the screenshot lies on the product page, which a test must not need.
    output="$(appstreamcli validate --pedantic --strict --no-net "$1" 2>&1)" || {
      printf '%s\n' "$output"
      exit 1
    }
    # Pedantic hints do not fail --strict; they fail here.
    if printf '%s\n' "$output" | grep -q '^[EWIP]:'; then
      printf '%s\n' "$output"
      exit 1
    fi
    ;;
  desktop)
    need desktop-file-validate desktop-file-utils
    quiet_or_fail desktop-file-validate "$1"
    ;;
  man)
    need man man-db
    for page in "$@"; do
      # What lintian runs: any warning of groff or man fails.
      output="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)" || true
      if [ -n "$output" ]; then
        printf '%s: %s\n' "$page" "$output"
        exit 1
      fi
    done
    ;;
  version)
    version="$1"
    grep -q "<release version=\"$version\"" "$2" || {
      echo "$2 nennt keine Ausgabe $version"
      exit 1
    }
    head -n 1 "$3" | grep -q "^parvolind ($version) " || {
      echo "$3 beginnt nicht mit der Ausgabe $version: $(head -n 1 "$3")"
      exit 1
    }
    ;;
  install)
    build="$1"
    root="$(mktemp -d)"
    trap 'rm -rf "$root"' EXIT
    DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
    bash "$(dirname "$0")/../../scripts/check-install.sh" "$root/usr"
    ;;
  *)
    echo "unbekannte Prüfung: $check"
    exit 1
    ;;
esac
