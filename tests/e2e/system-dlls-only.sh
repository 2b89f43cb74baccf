#!/usr/bin/env bash
# The executable imports system DLLs only (the C++ run time is linked in).
set -euo pipefail
exe=$1
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|windowscodecs|msimg32|wininet|crypt32|version|shcore|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
echo "$dlls"
bad=$(echo "$dlls" | tr 'A-Z' 'a-z' | grep -Ev "$allowed" || true)
[ -z "$bad" ] || { echo "not a system DLL: $bad"; exit 1; }
