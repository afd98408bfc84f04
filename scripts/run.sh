#!/usr/bin/env bash
# Starts the program with COM1 mapped to the built-in simulated controller.
# Without a display it says so and how to run it under a virtual one.
set -u
app=$1; shift
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: run it under a virtual display, e.g. xvfb-run -a $app --com 1=sim"
  exit 0
fi
exec "$app" --com 1=sim "$@"
