#!/usr/bin/env bash
# The main job: installs what is missing, builds updater.exe, runs it under
# Wine with the given arguments, closes its window with a real click on the
# close picture, and prints the settings file it wrote.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
"$root/tools/build.sh" updater
[ $# -gt 0 ] || set -- alpha "beta gamma"
"$root/tools/wine-env.sh" "$build" bash -c '
  "$UPDATER_WINE" "$UPDATER_BUILD_DIR/updater.exe" "$@" &
  updater=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --class updater.exe 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -n "$window" ]; then
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$window")"
    echo "The progress window is shown at ${X},${Y} (${WIDTH}x${HEIGHT}); clicking its close picture."
    xdotool mousemove $((X + WIDTH - 12)) $((Y + 13)) click 1
  fi
  wait "$updater"; code=$?
  echo "updater.exe $* exited with $code"
  echo "Settings file C:\\Temp\\Velmora\\UpdaterSettings.xml:"
  cat "$WINEPREFIX/drive_c/Temp/Velmora/UpdaterSettings.xml"; echo' run "$@"
