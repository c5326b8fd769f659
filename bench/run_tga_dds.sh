#!/bin/sh
# Our TGA run-length save and load and DDS DXT5 mipmap save beside ImageMagick's convert doing
# the same conversions of the same 2048 x 2048 picture, in one run (the convert commands are
# timed from inside the benchmark program).
# usage: bench/run_tga_dds.sh [BUILD_DIR]   (default build-bench, configured and built as the
# README says; BENCH_MIN_TIME=SECONDS shortens each of our measurements)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
bench="$build/bin/bench_tga_dds"
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }
[ -x "$bench" ] || { echo "missing $bench: configure and build it as the README says" >&2; exit 1; }
echo "peer: $(convert -version | head -n 1)"
"$bench" --benchmark_counters_tabular=true ${BENCH_MIN_TIME:+--benchmark_min_time="$BENCH_MIN_TIME"}
