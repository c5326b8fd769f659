#!/usr/bin/env bash
# Runs every benchmark of the README's build-bench folder: each bench_* program on its own, or
# through its peer driver bench/run_*.sh when it has one (the driver runs it beside the peer).
# usage: scripts/bench.sh [BUILD_DIR]   (default build-bench)
# BENCH_MIN_TIME=SECONDS shortens (or lengthens) each measurement; the library default is 0.5.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
ls "$build"/bin/bench_* >/dev/null 2>&1 ||
  { echo "no benchmarks in $build/bin: configure and build it as the README says" >&2; exit 1; }
min_time=()
[ -n "${BENCH_MIN_TIME:-}" ] && min_time=(--benchmark_min_time="$BENCH_MIN_TIME")
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  name=$(basename "$b")
  [ -f "bench/run_${name#bench_}.sh" ] && continue
  echo "== $name"
  "$b" --benchmark_counters_tabular=true "${min_time[@]}"
done
for s in bench/run_*.sh; do
  [ -f "$s" ] || continue
  echo "== $s"
  bash "$s" "$build"
done
