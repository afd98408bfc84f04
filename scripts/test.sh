#!/usr/bin/env bash
# Installs what is missing, builds the debug and the sanitizer (ASan + UBSan) presets and runs
# the whole suite in both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
for preset in dev asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
ctest --preset dev
ctest --preset asan
