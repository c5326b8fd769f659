#!/usr/bin/env bash
# Runs a reader over our BLP files and the peer ones and compares its lines with the codec
# library's (sums/library_sums.cpp): every file gives the same pixels, or is refused by both.
# Usage: compare_sums.sh all|largest REFERENCE PEER_DIR OWN_DIR... -- CANDIDATE [ARGS...]
# The peer files are left out, saying so, where they are missing.
set -euo pipefail
mode=$1 reference=$2 peer=$3
shift 3
own=()
while [ "$1" != "--" ]; do own+=("$1"); shift; done
shift

files=()
for dir in "${own[@]}"; do files+=("$dir"/*.blp); done
if [ -d "$peer" ]; then
  while IFS= read -r f; do files+=("$f"); done < <(find "$peer" -name '*.blp' | sort)
else
  echo "note: no peer files at $peer; comparing our own files only"
fi
[ ${#files[@]} -ge 15 ] || { echo "FAIL: only ${#files[@]} files found"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A GTK Blueprint source carries the name too: refused by both.
printf 'using Gtk 4.0;\n\ntemplate $AppWindow : Gtk.ApplicationWindow {}\n' >"$work/window.blp"
files+=("$work/window.blp")
largest=()
[ "$mode" = largest ] && largest=(--largest)
"$reference" "${largest[@]}" "${files[@]}" >"$work/expected"
status=0
"$@" "${files[@]}" >"$work/actual" 2>"$work/stderr" || status=$?
if [ "$status" -ne 0 ]; then
  cat "$work/stderr"
  echo "FAIL: the reader exited with status $status"
  exit 1
fi
if ! diff "$work/expected" "$work/actual"; then
  echo "FAIL: the reader differs from the library (< library, > reader)"
  exit 1
fi
echo "$(grep -vc refused "$work/expected") images of ${#files[@]} files match the library;" \
     "$(grep -c refused "$work/expected" || true) files refused by both"
