#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing for the build, the tests and the program, and
# for the groups named as arguments: "package" (making and checking the .deb), "pristine" (the
# clean-machine check), "fuzz" (clang and libFuzzer for `make fuzz`). As root it runs apt-get
# itself, as another user through sudo.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ make pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libxkbcommon-dev
  libgtest-dev libgmock-dev
  fonts-dejavu-core fonts-dejavu-extra xvfb xauth
)
for group in "$@"; do
  case $group in
    package) PACKAGES+=(dpkg-dev file lintian desktop-file-utils) ;; # CPack: dpkg-shlibdeps, file
    pristine) PACKAGES+=(mmdebstrap) ;;
    fuzz) PACKAGES+=(clang libfuzzer-14-dev libclang-common-14-dev llvm) ;;
    *) echo "setup-deps.sh: unknown group '$group' (package, pristine, fuzz)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

install='apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@"'
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive sh -c "$install" sh "${missing[@]}"
elif command -v sudo >/dev/null; then
  echo "(through sudo, which may ask for your password)"
  sudo env DEBIAN_FRONTEND=noninteractive sh -c "$install" sh "${missing[@]}"
else
  echo "Neither root nor sudo here. As root, run: apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
