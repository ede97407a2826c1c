#!/usr/bin/env bash
# Installs the dependencies, builds everything with warnings as errors and runs
# every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh -DPARVOLIND_WERROR=ON "$@"
ctest --test-dir build --output-on-failure --timeout 600 -j "$(nproc)"
