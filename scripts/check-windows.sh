#!/usr/bin/env bash
# Compiles every program source for a Windows target, syntax only, so that a POSIX or Linux call
# that slips outside the *_posix.cpp / *_linux.cpp files shows up without a Windows machine.
# The cross compiler is Debian's MinGW-w64 (`scripts/setup-deps.sh windows`); Qt's headers are
# the Linux ones, since Debian ships no Windows Qt, and they parse for Windows as they are.
# The Linux system headers are never on the include path, so <poll.h>, <termios.h>,
# <sys/ioctl.h>, <linux/serial.h> and the like fail as they would on Windows. MinGW-w64 has a
# small <unistd.h>, <fcntl.h> and <sys/stat.h> of its own: there the include passes and the
# POSIX calls that Windows lacks (fsync, getuid, ...) fail instead.
# Prints one FAIL line per failing source with its first errors, then a summary; exits 1 if any
# failed. Full compiler output lands in build/check-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."

cxx=${CHECK_WINDOWS_CXX:-x86_64-w64-mingw32-g++-posix}
qt=/usr/include/x86_64-linux-gnu/qt6
jobs=2          # the machines have two cores
error_lines=3   # how many error lines to show for each failing source
logs=build/check-windows

if ! command -v "$cxx" >/dev/null; then
  echo "check-windows: $cxx not found; run: bash scripts/setup-deps.sh windows" >&2
  exit 2
fi
if [ ! -d "$qt/QtCore" ]; then
  echo "check-windows: no Qt 6 headers in $qt; run: bash scripts/setup-deps.sh" >&2
  exit 2
fi

source scripts/program-folders.sh

mkdir -p "$logs"
rm -f "$logs"/*.log "$logs"/*.failed "$logs"/cmake.txt

sources=()
while IFS= read -r -d '' f; do
  sources+=("$f")
done < <(find "${folders[@]}" -name '*.cpp' ! -name '*_posix.cpp' ! -name '*_linux.cpp' -print0 \
  | sort -z)

# moc's *.moc and uic's ui_*.h come from the dev build: configure it and run only the autogen
# targets, which is much quicker than a full build. Only the include folders of targets that
# still exist are used, so a folder left behind by a moved target cannot shadow the new one.
autogen=()
if cmake --preset dev >"$logs/cmake.txt" 2>&1; then
  mapfile -t targets < <(ninja -C build/dev -t targets all \
    | sed -n 's/^\([^:]*_autogen\): phony$/\1/p' | sort -u)
  if [ ${#targets[@]} -gt 0 ]; then
    names=()
    for t in "${targets[@]}"; do names+=("${t##*/}"); done
    if ! cmake --build --preset dev --target "${names[@]}" >>"$logs/cmake.txt" 2>&1; then
      echo "check-windows: building the autogen targets failed (see $logs/cmake.txt)" >&2
    fi
    for t in "${targets[@]}"; do
      for inc in build/dev/"$t"/include*; do
        [ -d "$inc" ] && autogen+=("$inc")
      done
    done
  fi
else
  # A tree half-way through a change may not configure; check the sources all the same, with
  # whatever generated files an earlier build left.
  echo "check-windows: cmake --preset dev failed (see $logs/cmake.txt);" \
    "using generated files from an earlier build" >&2
  while IFS= read -r -d '' inc; do
    autogen+=("$inc")
  done < <(find build/dev -type d -path '*_autogen/include*' -prune -print0 2>/dev/null | sort -z)
fi

flags=(
  -std=c++20 -fsyntax-only
  # The same module macros the Linux build gets from CMake: <QTest> pulls in its widget and
  # GUI helpers only when these are set.
  -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_SERIALPORT_LIB
  -DQT_TESTLIB_LIB
  # Qt's headers as system headers, so their own warnings under MinGW stay quiet. Only the qt6
  # folder and its module folders: /usr/include itself, with the Linux C library, must never
  # be searched, nor Qt's linux-g++ mkspec folder (qplatformdefs.h is Linux's).
  -isystem "$qt"
)
for m in "$qt"/Qt*/; do flags+=(-isystem "${m%/}"); done
for inc in "${autogen[@]}"; do flags+=(-I "$inc"); done
# Each folder's public header sits at its top, and sources name headers of other folders by
# their bare names (and uir/uir.h by its subfolder), as the CMake targets export them.
for d in "${folders[@]}"; do flags+=(-I "$d"); done

export cxx logs
compile() {
  local src=$1 log
  log=$logs/${src//\//__}.log
  if ! "$cxx" "${@:2}" "$src" >"$log" 2>&1; then
    : >"${log%.log}.failed"
  fi
}
export -f compile
printf '%s\0' "${sources[@]}" | xargs -0 -r -P "$jobs" -I{} bash -c 'compile "$@"' _ {} "${flags[@]}"

failed=0
for src in "${sources[@]}"; do
  base=$logs/${src//\//__}
  [ -e "$base.failed" ] || continue
  failed=$((failed + 1))
  echo "FAIL $src"
  { grep -E '(error|Error):' "$base.log" || head -n "$error_lines" "$base.log"; } \
    | head -n "$error_lines" | sed 's/^/    /'
done
echo "check-windows: ${#sources[@]} sources, $failed failed"
[ "$failed" -eq 0 ]
