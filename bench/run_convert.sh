#!/bin/sh
# ondrel-convert over 200 generated PNG textures (BLP2 DXT5 and BLP1 JPEG, all mipmaps, one and
# two jobs) beside Pillow (PNG -> BLP2 paletted) and ImageMagick's convert (PNG -> DDS DXT5 with
# mipmaps), in one run.
# usage: bench/run_convert.sh [BUILD_DIR] [COUNT] [PILLOW_EVERY]
#        (default build-bench, 200 files, Pillow over every 20th; the build is made if missing)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
count=${2:-200}
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }
if [ ! -x "$build/bin/ondrel-convert" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DONDREL_BUILD_TESTS=OFF \
    -DONDREL_BUILD_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target ondrel-convert
fi
# A RAM disk when there is one: every tool then pays the same (nothing) for writing, and the
# figures are the conversions' own. BENCH_TMP chooses another place.
tmp=${BENCH_TMP:-/dev/shm}
[ -d "$tmp" ] && [ -w "$tmp" ] || tmp=${TMPDIR:-/tmp}
work=$(mktemp -d "$tmp/ondrel-convert-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/bench/convert_throughput.py" "$build/bin/ondrel-convert" "$work" "$count" "${3:-20}"
