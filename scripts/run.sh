#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with COM1 mapped to the built-in
# simulated controller. Without a display it plays the demo script headless instead, so the
# program can still be seen at work. Further arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
app=build/dev/app/xvelzuk1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: playing examples/demo.txt headless instead."
  echo "For the window, run it under a virtual display: xvfb-run -a $app --com 1=sim"
  exec "$app" --com 1=sim --headless --verbose --play examples/demo.txt "$@"
fi
exec "$app" --com 1=sim "$@"
