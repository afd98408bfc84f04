#!/usr/bin/env bash
# Runs each fuzz target for FUZZ_SECONDS (default 60) in turn, on its seed corpus in fuzz/corpus
# and a working corpus under build/fuzz/corpus, and prints runs and coverage per target. Any
# crash, leak or time-out fails the run; its input is kept in build/fuzz/artifacts.
# FUZZ_TARGETS="script receive" picks targets.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/fuzz/fuzz
out=$root/build/fuzz
secs=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-script parafile firmware receive recfile}
# Longest input per target: scripts with lines beyond the reader's line buffer, parameter files
# with room for junk, 1 control byte + 128 bytes of firmware words, a few dozen port events,
# record files of a few hundred lines.
declare -A maxlen=([script]=4096 [parafile]=512 [firmware]=129 [receive]=1024 [recfile]=8192)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:max_malloc_fill_size=0:quarantine_size_mb=16
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$out/artifacts" "$out/logs"

failed=0
for t in $targets; do
  if [ -z "${maxlen[$t]:-}" ] || [ ! -x "$bin/fuzz_$t" ]; then
    echo "fuzz: no target '$t' (build it with: cmake --build --preset fuzz)" >&2
    failed=1
    continue
  fi
  mkdir -p "$out/corpus/$t"
  log=$out/logs/$t.log
  "$bin/fuzz_$t" -max_total_time="$secs" -max_len="${maxlen[$t]}" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/artifacts/$t-" \
    "$out/corpus/$t" "$root/fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p' <<<"$last")
  verdict=ok
  if [ "$rc" -ne 0 ]; then
    verdict="FAILED (exit $rc; see $log and $out/artifacts)"
    failed=1
  fi
  printf '%-9s %8s runs in %ss (%s/s), coverage %s edges, %s features, corpus %s: %s\n' \
    "$t" "${runs:-?}" "$secs" "${speed:-?}" "${cov:-?}" "${ft:-?}" "${corpus:-?}" "$verdict"
done
exit $failed
