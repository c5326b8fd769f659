#!/usr/bin/env bash
# Installs the build into a fresh temporary prefix, as `cmake --install build --prefix P` does.
set -euo pipefail
build=$1 prefix=$2
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
