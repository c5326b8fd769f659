#!/bin/sh
# Builds the benchmarks (optimised) and runs the TGA/DDS one, our codecs beside ImageMagick's
# convert on the same 2048 x 2048 picture. Usage: bench/run_tga_dds.sh [build folder]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DONDREL_BUILD_PROGRAM=OFF \
  -DONDREL_BUILD_TESTS=OFF -DONDREL_BUILD_BENCH=ON >/dev/null
ninja -C "$build" -j2 bench_tga_dds
echo "convert: $(convert -version | head -n 1)"
"$build/bin/bench_tga_dds" --benchmark_counters_tabular=true
