#!/usr/bin/env bash
# The shared library exports the flat functions, their load twins and the error classes' type
# information, and nothing of the core.
set -euo pipefail
lib=$1
expected="BLP_FreeMem BLP_GetHeader BLP_GetHeaderEx BLP_LoadFromMemory BLP_LoadFromMemoryEx
BLP_SaveToMemory DDS_LoadFromMemory DDS_LoadFromMemoryEx DDS_SaveToMemory GetLibraryVersion
JPG_LoadFromMemory JPG_LoadFromMemoryEx JPG_SaveToMemory TGA_LoadFromMemory
TGA_LoadFromMemoryEx TGA_SaveToMemory"
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v -E '^_ZT[IS]N5ormel' | sort)
want=$(echo $expected | tr ' ' '\n' | sort)
if [ "$actual" != "$want" ]; then
  echo "exported symbols differ:"; diff <(echo "$want") <(echo "$actual") || true; exit 1
fi
# Type information only for the error classes.
nm -D --defined-only "$lib" | awk '{print $3}' | grep -E '^_ZT' | c++filt | grep -v -E '^typeinfo (name )?for ormel::[A-Za-z]+$' && exit 1
echo "exports ok: $(echo "$actual" | wc -l) functions"
