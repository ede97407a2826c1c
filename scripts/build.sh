#!/usr/bin/env bash
# Installs the dependencies and builds into build/ (executables in build/bin/).
# Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja "$@"
cmake --build build
