#!/bin/sh
# Our TGA run-length save and load and DDS DXT5 mipmap save beside ImageMagick's convert doing
# the same conversions of the same 2048 x 2048 picture, in one run (the convert commands are
# timed from inside the benchmark program).
# usage: bench/run_tga_dds.sh [BUILD_DIR]   (default build-bench; configured and built if needed)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }
if [ ! -x "$build/bin/bench_tga_dds" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DONDREL_BUILD_PROGRAM=OFF \
    -DONDREL_BUILD_TESTS=OFF -DONDREL_BUILD_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target bench_tga_dds
fi
echo "peer: $(convert -version | head -n 1)"
"$build/bin/bench_tga_dds" --benchmark_counters_tabular=true
