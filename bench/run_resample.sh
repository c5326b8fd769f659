#!/bin/sh
# Our Lanczos-3 resampler and Pillow's LANCZOS on the same pixels, side by side.
# usage: bench/run_resample.sh [BUILD_DIR]   (default build-bench, configured and built as the
# README says; BENCH_MIN_TIME=SECONDS shortens each measurement)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
bench="$build/bin/bench_resample"
[ -x "$bench" ] || { echo "missing $bench: configure and build it as the README says" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --write-sources="$work"
"$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=false \
  --benchmark_out="$work/ours.json" --benchmark_out_format=json \
  ${BENCH_MIN_TIME:+--benchmark_min_time="$BENCH_MIN_TIME"}
# The table uses the fastest repetition of each of our cases, as Pillow's side does.
/usr/bin/python3 - "$work/ours.json" <<'EOF'
import json, sys
with open(sys.argv[1]) as f:
    data = json.load(f)
best = {}
for r in data["benchmarks"]:
    if r.get("run_type") != "iteration":
        continue
    name = r["run_name"]
    best[name] = min(best.get(name, r), r, key=lambda x: x["cpu_time"])
data["benchmarks"] = list(best.values())
with open(sys.argv[1], "w") as f:
    json.dump(data, f)
EOF
echo
/usr/bin/python3 "$here/pillow_resize.py" "$work" "$work/ours.json"
