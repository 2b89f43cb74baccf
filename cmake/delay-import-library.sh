#!/usr/bin/env bash
# Usage: delay-import-library.sh NM DLLTOOL IMPORT_LIBRARY OUTPUT
# Writes OUTPUT, a delay-import library with the functions of the MinGW-w64
# import library IMPORT_LIBRARY: a call through it loads the DLL on first use
# (through __delayLoadHelper2) instead of when the process starts.
set -euo pipefail
nm=$1 dlltool=$2 library=$3 output=$4
dll=$("$dlltool" --identify "$library")
def="$output.def"
# Functions only: the import library defines a code thunk (T) for each of
# them; data exports (only an __imp_ pointer) cannot be delay-loaded.
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$nm" --extern-only --defined-only "$library" | awk '$2 == "T" { print $3 }' | sort -u
} > "$def"
rm -f "$output"
"$dlltool" --input-def "$def" --dllname "$dll" --output-delaylib "$output"
