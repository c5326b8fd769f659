#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the unit tests (GoogleTest through
# CTest), the library's and the image layer's tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and every fuzz target for a short bounded time over its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-30}
bash scripts/deps.sh

echo "== Unit tests (GCC, optimised with debug info)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONDREL_BUILD_TESTS=ON >/dev/null
cmake --build build -j2
ctest --test-dir build -j2 --output-on-failure --timeout 600

echo "== Library and image-layer tests under AddressSanitizer and UndefinedBehaviorSanitizer (clang)"
# The image layer parses hostile files as much as the library does; Qt itself is not
# instrumented, the image layer and the library are.
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DONDREL_SANITIZE=ON -DONDREL_BUILD_PROGRAM=ON -DONDREL_BUILD_TESTS=ON >/dev/null
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j2 --output-on-failure --timeout 900

echo "== Fuzz targets, ${FUZZ_SECONDS} s each (libFuzzer, clang)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DONDREL_BUILD_FUZZ=ON -DONDREL_BUILD_PROGRAM=OFF -DONDREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in build-fuzz/bin/fuzz_*; do
  name=$(basename "$target")
  # Fuzz a scratch copy, so the corpus in the repository only changes on purpose.
  mkdir -p "$work/$name"
  cp -r fuzz/corpus/"$name"/. "$work/$name"/ 2>/dev/null || true
  seeds=()
  [ -d fuzz/regression/"$name" ] && seeds+=(fuzz/regression/"$name")
  echo "-- $name"
  "$target" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=20 \
    -artifact_prefix="$work/$name-" -print_final_stats=1 "$work/$name" "${seeds[@]}" \
    2>"$work/$name.log" || { tail -n 60 "$work/$name.log"; echo "FAILED: $name"; exit 1; }
  grep -E 'stat::number_of_executed_units|Done' "$work/$name.log" | tail -n 2
done
echo "All tests, sanitizer runs and fuzz runs passed."
