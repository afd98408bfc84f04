#!/usr/bin/env bash
# Measures what the program costs while it waits for a vanished device: it runs idle on the
# pseudo-terminal of xvelzuk1-sim until the simulator is killed under it, then its CPU time is
# read from /proc over SECONDS (default 60) and its open descriptors are checked for the pty.
# Usage: scripts/measure-vanish-cpu.sh [SECONDS] [BUILD_DIR]   (BUILD_DIR default build/release)
set -eu
seconds=${1:-60}
build=${2:-build/release}
app=$build/app/xvelzuk1
sim=$build/sim/xvelzuk1-sim
[ -x "$app" ] && [ -x "$sim" ] || { echo "build $app and $sim first" >&2; exit 2; }
hz=$(getconf CLK_TCK)
log=$(mktemp)
out=$(mktemp)
trap 'kill $app_pid $sim_pid 2>/dev/null || true; rm -f "$log" "$out"' EXIT

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; } # user + system clock ticks

"$sim" >"$out" 2>/dev/null &
sim_pid=$!
for _ in $(seq 50); do [ -s "$out" ] && break; sleep 0.1; done
tty=$(head -1 "$out")
"$app" --headless --com 1="$tty" --verbose 2>"$log" &
app_pid=$!
for _ in $(seq 100); do grep -q "status: XVEL-ZUK1 SIM FW" "$log" && break; sleep 0.1; done
grep -q "status: XVEL-ZUK1 SIM FW" "$log" || { echo "start-up did not finish" >&2; exit 1; }

t0=$(ticks $app_pid)
sleep 5
idle=$(( $(ticks $app_pid) - t0 ))

kill $sim_pid
wait $sim_pid 2>/dev/null || true
sleep 0.2
held=$(ls -l /proc/$app_pid/fd | grep -c "$tty" || true)
t0=$(ticks $app_pid)
sleep "$seconds"
lost=$(( $(ticks $app_pid) - t0 ))

awk -v i="$idle" -v l="$lost" -v s="$seconds" -v hz="$hz" 'BEGIN {
    printf "idle on the open port, 5 s:             %d ticks, CPU %.2f%%\n", i, 100 * i / hz / 5
    printf "waiting for the vanished device, %d s: %d ticks, CPU %.2f%%\n", s, l, 100 * l / hz / s
}'
echo "descriptors on $tty 0.2 s after the loss: $held"
grep -m1 "device vanished" "$log" || echo "no 'device vanished' message"
