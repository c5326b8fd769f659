#!/usr/bin/env bash
# Installs what is missing, builds Ondrel and starts the viewer on the given file, or on the
# bundled sample texture when none is given.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
# The same build folder and type as the tests, so neither rebuilds the other's work.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target ondrel

if [ $# -gt 0 ]; then
  exec build/bin/ondrel "$@"
elif [ -f build/bin/sample.blp ]; then
  exec build/bin/ondrel build/bin/sample.blp
else
  exec build/bin/ondrel
fi
