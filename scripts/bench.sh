#!/usr/bin/env bash
# Runs every benchmark program of build-bench/ and every peer driver script in bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
for b in build-bench/bin/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true
done
for s in bench/run_*.sh; do
  [ -f "$s" ] || continue
  echo "== $s"
  bash "$s"
done
