#!/usr/bin/env bash
# Builds the Debian package (build/package/xvelzuk1_<version>_<arch>.deb) with Debian's build
# and hardening flags, then checks it: desktop-file-validate on its desktop entry and lintian on
# the package, whose errors fail the build; its warnings are printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh package
dir=build/package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$dir" -j2
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/*.deb)

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/xvelzuk1.desktop
echo "desktop-file-validate: clean"
echo "lintian $(lintian --version | awk '{print $2}'):"
lintian --info --fail-on error "$deb" || { echo "lintian found errors" >&2; exit 1; }
echo "lintian: no errors"
echo "Package: $deb"
dpkg-deb -f "$deb"
