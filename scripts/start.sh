#!/usr/bin/env bash
# Installs the dependencies, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -x build/bin/parvolind ]; then
  exec build/bin/parvolind "$@"
fi
# Until the desktop program exists, the command-line companion lists the jobs.
exec build/bin/parvolind-cli list
