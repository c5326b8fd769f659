#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the unit tests (GoogleTest through
# CTest), all of them again under AddressSanitizer and UndefinedBehaviorSanitizer (clang; the
# library and the program instrumented, Qt not), and every fuzz target for a short bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-30}
bash scripts/deps.sh

echo "== Unit tests (GCC, optimised with debug info)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONDREL_BUILD_TESTS=ON >/dev/null
cmake --build build -j2
ctest --test-dir build -j2 --output-on-failure --timeout 600

echo "== Every test again under AddressSanitizer and UndefinedBehaviorSanitizer (clang)"
# The image layer parses hostile files as much as the library does; Qt itself is not
# instrumented, the image layer and the library are.
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DONDREL_SANITIZE=ON -DONDREL_BUILD_PROGRAM=ON -DONDREL_BUILD_TESTS=ON >/dev/null
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j2 --output-on-failure --timeout 900

echo "== Fuzz targets, ${FUZZ_SECONDS} s each (libFuzzer, clang)"
bash scripts/fuzz.sh "$FUZZ_SECONDS"
echo "All tests, sanitizer runs and fuzz runs passed."
