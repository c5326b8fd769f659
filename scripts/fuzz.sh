#!/usr/bin/env bash
# Runs every libFuzzer target (or the ones named) for SECONDS each, one after the other, over
# a scratch copy of its seed corpus plus its kept crash reproducers, with its dictionary.
#   bash scripts/fuzz.sh [SECONDS] [fuzz_target ...]     (default 1200 s: a long campaign)
# FUZZ_MERGE=1 merges what a run found back into fuzz/corpus/<target>, minimised (-merge=1).
# A crash stops the script with a non-zero status; the reproducer is kept in
# build-fuzz/findings/. The test script calls this with a short time.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-1200}
shift || true

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DONDREL_BUILD_FUZZ=ON -DONDREL_BUILD_PROGRAM=OFF -DONDREL_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j2


targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in build-fuzz/bin/fuzz_*; do targets+=("$(basename "$t")"); done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=build-fuzz/findings
mkdir -p "$findings"
for name in "${targets[@]}"; do
  target=build-fuzz/bin/$name
  [ -x "$target" ] || { echo "no such fuzz target: $name"; exit 1; }
  # Fuzz a scratch copy, so the corpus in the repository only changes on purpose.
  mkdir -p "$work/$name"
  cp -r fuzz/corpus/"$name"/. "$work/$name"/ 2>/dev/null || true
  seeds=()
  [ -d fuzz/regression/"$name" ] && seeds+=(fuzz/regression/"$name")
  options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1
           -artifact_prefix="$findings/$name-")
  # Each target names the parts of its dictionary (fuzz/dict/) in a "// Dictionary:" line.
  parts=$(sed -n 's|^// Dictionary: ||p' fuzz/"$name".cpp 2>/dev/null || true)
  if [ -n "$parts" ]; then
    for part in $parts; do cat fuzz/dict/"$part".dict; done > "$work/$name.dict"
    options+=(-dict="$work/$name.dict")
  fi
  echo "-- $name"
  "$target" "${options[@]}" "$work/$name" "${seeds[@]}" 2>"$work/$name.log" ||
    { tail -n 60 "$work/$name.log"; echo "FAILED: $name (reproducer in $findings/)"; exit 1; }
  grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$name.log" | tail -n 1 || true
  grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec' "$work/$name.log" || true
  if [ "${FUZZ_MERGE:-0}" = 1 ]; then
    # Minimised: the named seeds stay, and of the inputs found only those that add coverage.
    "$target" -merge=1 -rss_limit_mb=2048 -timeout=20 fuzz/corpus/"$name" "$work/$name" \
      2>"$work/$name.merge.log"
    echo "   corpus: $(ls fuzz/corpus/"$name" | wc -l) files"
  fi
done
echo "All fuzz runs passed."
