#!/usr/bin/env bash
# Installs the Debian packages that are missing for the build, the tests and the program, and
# for the groups named as arguments: "package" (making and checking the .deb), "pristine" (the
# clean-machine check), "fuzz" (clang and libFuzzer for `make fuzz`), "windows" (the MinGW-w64
# cross compiler for `make check-windows`). Debian 12 (bookworm) and
# Debian 13 (trixie) are known; as root it runs apt-get itself, as another user through sudo.
set -euo pipefail

release=$(. /etc/os-release 2>/dev/null && echo "${ID:-}:${VERSION_CODENAME:-}")

# Package names that differ between the releases: Debian 13's qt6-base-dev carries the OpenGL
# headers that Debian 12 ships apart, and each release has its own clang.
case $release in
  debian:bookworm) opengl=(libqt6opengl6-dev) clang_version=14 ;;
  debian:trixie) opengl=() clang_version=19 ;;
  *) opengl=(libqt6opengl6-dev) clang_version=14 ;;
esac

PACKAGES=(
  cmake ninja-build g++ make pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev "${opengl[@]}" libgl-dev
  libxkbcommon-dev libgtest-dev libgmock-dev
  fonts-dejavu-core fonts-dejavu-extra xvfb xauth
)
for group in "$@"; do
  case $group in
    package) PACKAGES+=(dpkg-dev file lintian desktop-file-utils) ;; # CPack: dpkg-shlibdeps, file
    pristine) PACKAGES+=(mmdebstrap) ;;
    fuzz) PACKAGES+=(clang "libfuzzer-$clang_version-dev" "libclang-rt-$clang_version-dev" llvm) ;;
    # The posix-threads flavour, since <thread> and <mutex> need it; same name in both releases.
    windows) PACKAGES+=(g++-mingw-w64-x86-64-posix) ;;
    *) echo "setup-deps.sh: unknown group '$group' (package, pristine, fuzz, windows)" >&2; exit 2 ;;
  esac
done

if [ "$release" != debian:bookworm ] && [ "$release" != debian:trixie ]; then
  # Other systems name their packages differently; installing guessed names could pull in the
  # wrong Qt. Say what is needed and leave it to the administrator.
  echo "setup-deps.sh: this is ${release:-an unknown system}, not Debian 12 (bookworm) or" >&2
  echo "Debian 13 (trixie), which are the systems it knows. It installs nothing here." >&2
  echo "Needed, by their Debian 12 names: ${PACKAGES[*]}" >&2
  echo "That is CMake 3.25+, Ninja, a C++20 compiler, Qt 6.4+ (Base, SerialPort) with" >&2
  echo "its development tools, GoogleTest and GoogleMock, the DejaVu fonts and Xvfb." >&2
  echo "Install their equivalents; the build goes on and names what it does not find." >&2
  exit 0
fi

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
