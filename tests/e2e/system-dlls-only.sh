#!/usr/bin/env bash
# Usage: system-dlls-only.sh EXE DELAY_LOADED_DLLS
# The executable imports system DLLs only (the C++ run time is linked in):
# its normal import table names Windows' known DLLs only, which the loader
# takes from System32 whatever lies beside the program, and every other
# system DLL it calls is in its delay-import table, loaded only after the DLL
# search has been limited to System32. DELAY_LOADED_DLLS is the build's list
# of DLLs to delay-load (cmake/DelayLoad.cmake), separated by ";".
set -euo pipefail
exe=$1
delay_loaded=$(echo "$2" | tr ';' '|')
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The values of HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs
# of Windows 10 and 11 (the WOW64 ones left out); API sets are resolved by the
# loader's schema, never searched for on disk.
known='^(advapi32|clbcatq|combase|comdlg32|coml2|difxapi|gdi32|gdiplus|imagehlp|imm32|kernel32|msctf|msvcrt|normaliz|nsi|ole32|oleaut32|psapi|rpcrt4|sechost|setupapi|shcore|shell32|shlwapi|user32|wldap32|ws2_32|api-ms-win-[a-z0-9-]+)\.dll$'
# The DLLs that are not known DLLs and that the updater calls today.
called='wininet winhttp crypt32 comctl32 wintrust'

normal=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
delayed=$(python3 "$here/../../cmake/delay-import-directory.py" list "$exe" | tr 'A-Z' 'a-z')
echo "normal imports:" $normal
echo "delay imports:" $delayed
[ -n "$normal" ] || { echo "no imports found in $exe"; exit 1; }
bad=$(echo "$normal" | grep -Ev "$known" || true)
[ -z "$bad" ] || { echo "not a known DLL, yet in the normal import table:" $bad; exit 1; }
bad=$(echo "$delayed" | grep -Ev "^($delay_loaded)\.dll$" || true)
[ -z "$bad" ] || { echo "delay-loaded but not in the build's list:" $bad; exit 1; }
for dll in $called; do
  grep -qx "$dll.dll" <<<"$delayed" || { echo "$dll.dll is not in the delay-import table"; exit 1; }
done
