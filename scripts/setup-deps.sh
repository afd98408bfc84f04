#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and `make run` need, when any is missing.
# As root it runs apt-get itself; otherwise it prints the one command to run and fails.
# `setup-deps.sh fuzz` adds what the fuzzing build needs (`make fuzz`): clang and libFuzzer.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ make pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libxkbcommon-dev
  libgtest-dev libgmock-dev
  fonts-dejavu-core fonts-dejavu-extra xvfb xauth
)
if [ "${1:-}" = fuzz ]; then
  PACKAGES+=(clang libfuzzer-14-dev libclang-common-14-dev llvm)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
