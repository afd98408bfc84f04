#!/usr/bin/env bash
# What a new machine sees: builds pristine Debian chroots of one release (mmdebstrap, minbase
# plus git, the mirrors of this machine's apt sources), clones the committed HEAD of the
# repository into them and runs the README's commands there: as root the run command (headless)
# and the test command, then the package build; as a user with passwordless sudo the run
# command; finally the package is installed with apt into a chroot of its own and the installed
# program, started as its desktop entry says, plays examples against its built-in simulator and
# against xvelzuk1-sim.
# Needs root. Usage: scripts/pristine-check.sh [RELEASE [REPOSITORY]]
#   RELEASE: bookworm (Debian 12) or trixie (Debian 13); default: this machine's release.
#   REPOSITORY: default the one it lives in.
set -euo pipefail

host_release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
release=${1:-$host_release}
case $release in
  bookworm | trixie) ;;
  *) echo "pristine-check.sh: release '$release' is not bookworm or trixie" >&2; exit 2 ;;
esac
repo=$(cd "${2:-$(dirname "$0")/..}" && git rev-parse --show-toplevel)
run_cmd=scripts/run.sh   # the README's two commands
test_cmd=scripts/test.sh
package_cmd=scripts/package.sh

[ "$(id -u)" -eq 0 ] || { echo "pristine-check.sh: needs root (chroot, mounts)" >&2; exit 1; }
bash "$repo/scripts/setup-deps.sh" pristine

work=$(mktemp -d "/var/tmp/xvelzuk1-pristine-$release.XXXXXX")
started=$EPOCHREALTIME
steps=()
current=""
step_pid=""

# Processes still running inside a chroot would keep its mounts busy.
stop_chroot_processes() {
  local p pid
  for p in /proc/[0-9]*; do
    pid=${p#/proc/}
    case "$(readlink "$p/root" 2>/dev/null)" in "$work"/*) kill -9 "$pid" 2>/dev/null || true ;; esac
  done
}

unmount_all() {
  local m left
  for m in $(findmnt -rn -o TARGET | grep "^$work/" | sort -r); do
    umount "$m" 2>/dev/null || umount -l "$m" || true
  done
  left=$(findmnt -rn -o TARGET | grep -c "^$work/" || true)
  [ "$left" -eq 0 ]
}

cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  if [ -n "$step_pid" ]; then
    kill -TERM -- "-$step_pid" 2>/dev/null || true
    sleep 2
    kill -KILL -- "-$step_pid" 2>/dev/null || true
  fi
  stop_chroot_processes
  if unmount_all; then
    rm -rf --one-file-system "$work"
  else
    echo "pristine-check.sh: mounts remain under $work; it is left in place" >&2
    rc=1
  fi
  echo
  echo "== Summary"
  local s
  for s in "${steps[@]}"; do echo "$s"; done
  [ -n "$current" ] && [ $rc -ne 0 ] && echo "FAILED: $current"
  printf '%-62s %7.1f s\n' "total" "$(since "$started")"
  [ $rc -eq 0 ] && echo "pristine check of $release passed" ||
    echo "pristine check of $release FAILED (exit $rc)"
  exit $rc
}
trap cleanup EXIT
trap 'exit 130' INT TERM

since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }'; }

# Each step runs in the background and is waited for, so that a signal ends the check at once
# (the clean-up then stops what runs in the chroots).
step() { # step "what it does" command...
  current=$1
  shift
  echo
  echo "== $current"
  local t0=$EPOCHREALTIME
  set -m # a process group of its own, so the clean-up can end the whole step
  "$@" &
  step_pid=$!
  set +m
  wait $step_pid
  step_pid=""
  steps+=("$(printf '%-62s %7.1f s' "$current" "$(since "$t0")")")
  current=""
}

# ---- Mirrors of this machine, suites of the release ---------------------------------------

codename=$host_release
[ -n "$codename" ] || { echo "no VERSION_CODENAME in /etc/os-release" >&2; exit 1; }

# "deb URI SUITE COMPONENTS" for every enabled deb source of this machine's release, from deb822
# files (*.sources) and one-line files (sources.list, *.list).
apt_sources() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v rel="$codename" '
      function flush(  i, j, n, m, u, s) {
        if (types ~ /(^| )deb( |$)/ && enabled != "no") {
          n = split(uris, u, " "); m = split(suites, s, " ")
          for (i = 1; i <= n; i++) for (j = 1; j <= m; j++)
            if (s[j] == rel || index(s[j], rel "-") == 1) print "deb " u[i] " " s[j] " " comps
        }
        types = uris = suites = comps = enabled = ""
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      { key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "")
        if (key == "types") types = $0; else if (key == "uris") uris = $0
        else if (key == "suites") suites = $0; else if (key == "components") comps = $0
        else if (key == "enabled") enabled = tolower($0) }
      END { flush() }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -e 's/#.*//' -e 's/\[[^]]*\]//' "$f" | awk -v rel="$codename" \
      '$1 == "deb" && ($3 == rel || index($3, rel "-") == 1) { $1 = ""; print "deb" $0 }'
  done
}
# The same mirrors serve the other release under its own suite names (trixie, trixie-updates,
# trixie-security for bookworm, bookworm-updates, bookworm-security).
mapfile -t sources < <(apt_sources | awk -v from="$codename" -v to="$release" '
  { n = length(from); if (substr($3, 1, n) == from) $3 = to substr($3, n + 1) }
  !seen[$0]++')
[ ${#sources[@]} -gt 0 ] || { echo "no apt source for $codename on this machine" >&2; exit 1; }
echo "Release $release from this machine's mirrors:"
printf '  %s\n' "${sources[@]}"

# ---- Chroots --------------------------------------------------------------------------------

in_chroot() { # in_chroot ROOT COMMAND: a login-like environment without a display
  local root=$1
  shift
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c "$*"
}

new_chroot() { # new_chroot NAME: unpacks the pristine image, mounts /proc, /dev/pts, /dev/shm
  local root=$work/$1
  mkdir "$root"
  tar -C "$root" --numeric-owner -xpf "$work/pristine.tar"
  mount -t proc proc "$root/proc"
  mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
  rm -f "$root/dev/ptmx"
  ln -s pts/ptmx "$root/dev/ptmx"
}

clone_into() { # clone_into ROOT DIR: the committed HEAD of the repository
  git clone -q --no-local "$repo" "$1$2"
  git -C "$1$2" checkout -q --detach "$head"
}

head=$(git -C "$repo" rev-parse HEAD)
echo "Repository $repo at $(git -C "$repo" log -1 --format='%h %s' "$head")"
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
  echo "(uncommitted changes in it are not part of the check)"
fi

step "mmdebstrap: pristine $release (minbase + git)" \
  mmdebstrap --quiet --mode=root --variant=minbase --include=git "$release" \
  "$work/pristine.tar" "${sources[@]}"

# ---- As root: the README's commands and the package -----------------------------------------

root_setup() {
  new_chroot root
  clone_into "$work/root" /root/xvelzuk1
}
step "root chroot: unpack, mount /proc, /dev/pts, /dev/shm, clone" root_setup
step "root: $run_cmd (headless: plays the demo)" in_chroot "$work/root" "cd /root/xvelzuk1 && $run_cmd"
step "root: $test_cmd (debug + sanitizer builds, whole suite)" \
  in_chroot "$work/root" "cd /root/xvelzuk1 && $test_cmd"
step "root: $package_cmd (CPack, desktop-file-validate, lintian)" \
  in_chroot "$work/root" "cd /root/xvelzuk1 && $package_cmd"
deb=$(cd "$work/root/root/xvelzuk1/build/package" && ls xvelzuk1_*.deb)
cp "$work/root/root/xvelzuk1/build/package/$deb" "$work/$deb"
stop_chroot_processes
unmount_all
rm -rf --one-file-system "$work/root"

# ---- As a user with sudo: the run command installs through sudo ------------------------------

user_setup() {
  new_chroot user
  in_chroot "$work/user" "apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends sudo >/dev/null"
  in_chroot "$work/user" "useradd --create-home --shell /bin/bash tester && \
    echo 'tester ALL=(ALL) NOPASSWD: ALL' > /etc/sudoers.d/tester && chmod 440 /etc/sudoers.d/tester"
  clone_into "$work/user" /home/tester/xvelzuk1
  in_chroot "$work/user" "chown -R tester:tester /home/tester/xvelzuk1"
}
step "user chroot: unpack, sudo, user 'tester' with passwordless sudo, clone" user_setup
step "tester: $run_cmd (installs through sudo, headless demo)" \
  in_chroot "$work/user" "runuser -l tester -c 'cd ~/xvelzuk1 && $run_cmd'"
stop_chroot_processes
unmount_all
rm -rf --one-file-system "$work/user"

# ---- The package on a pristine system ---------------------------------------------------------

install_package() {
  new_chroot install
  cp "$work/$deb" "$work/install/tmp/$deb"
  in_chroot "$work/install" "apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq /tmp/$deb >/dev/null && dpkg -s xvelzuk1 | grep -E '^(Version|Depends):'"
}

# The desktop entry's command line, headless, against the built-in simulator, as a normal user;
# the banner's bitmap comes from /usr/share/xvelzuk1, and a recording with the default record
# file lands in the user's data folder.
play_installed() {
  local exec
  exec=$(sed -n 's/^Exec=//p' "$work/install/usr/share/applications/xvelzuk1.desktop")
  echo "Desktop entry: Exec=$exec"
  in_chroot "$work/install" "useradd --create-home --shell /bin/bash player && \
    printf 'press TOGBTNparaII\nset NEDITRecTime 0\nset NEDITRecSamples 3\npress BTNStartRecord\n\
wait 1\nexpect NUMSampleCount 3\n' > /tmp/default-record.txt && chmod 644 /tmp/default-record.txt"
  in_chroot "$work/install" "runuser -l player -c 'export LANG=C.UTF-8; cd /tmp && $exec --headless --verbose --com-only \
    --com 1=sim --play /usr/share/doc/xvelzuk1/examples/demo.txt 2> ~/play.log; rc=\$?; \
    grep -E \"picture:|expectation|run.s files\" ~/play.log; [ \$rc -eq 0 ] && \
    grep -q \"picture: /usr/share/xvelzuk1/qv.bmp\" ~/play.log && \
    $exec --headless --com-only --com 1=sim --play /tmp/default-record.txt && \
    echo \"default record file: \$(ls ~/.local/share/xvelzuk1/XVelRecord.dat)\" && \
    [ \$(wc -l < ~/.local/share/xvelzuk1/XVelRecord.dat) -eq 4 ]'"
}

# The installed simulator on a pseudo-terminal, the installed program on its serial path.
play_over_pty() {
  in_chroot "$work/install" 'xvelzuk1-sim > /tmp/sim.out & sim=$!; \
    for i in $(seq 50); do [ -s /tmp/sim.out ] && break; sleep 0.1; done; pty=$(head -1 /tmp/sim.out); \
    echo "xvelzuk1-sim serves $pty"; \
    xvelzuk1 --headless --com-only --com 1="$pty" --play /usr/share/doc/xvelzuk1/examples/startup.txt; \
    rc=$?; kill $sim; wait $sim 2>/dev/null; exit $rc'
}

step "install chroot: apt-get install ./$deb into pristine $release" install_package
step "installed: desktop entry's command as a user, plays demo.txt, records" play_installed
step "installed: xvelzuk1-sim pty + xvelzuk1 plays startup.txt" play_over_pty
