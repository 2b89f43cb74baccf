#!/usr/bin/env bash
# The main job: installs what is missing, builds updater.exe, runs it under
# Wine with the given arguments and prints the settings file it wrote.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
"$root/tools/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$build" -j "$(nproc)" --target updater
[ $# -gt 0 ] || set -- alpha "beta gamma"
"$root/tools/wine-env.sh" "$build" bash -c '
  "$UPDATER_WINE" "$UPDATER_BUILD_DIR/updater.exe" "$@"
  echo "updater.exe $* exited with $?"
  settings="$WINEPREFIX/drive_c/Temp/Velmora/UpdaterSettings.xml"
  echo "Settings file C:\\Temp\\Velmora\\UpdaterSettings.xml:"
  cat "$settings"; echo' run "$@"
