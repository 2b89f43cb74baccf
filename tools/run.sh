#!/usr/bin/env bash
# The main job: installs what is missing, builds updater.exe, runs it under
# Wine with the given arguments, closes its window with a real click on the
# close picture, and prints the settings file it wrote.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
# The run downloads from a loopback port (the tests' own address) where a
# server announces a large body and stalls, so the window stays until the
# click and no browser is opened.
export UPDATER_DOWNLOAD_URL="${UPDATER_DOWNLOAD_URL:-$(cat "$root/tools/test-download-url")}"
"$root/tools/build.sh" updater
port=$(sed -E 's#^http://127\.0\.0\.1:([0-9]+)/.*#\1#' "$root/tools/test-download-url")
python3 -c 'import socket,sys,time; s=socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1); s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(16)
held = []
while True:
    c, _ = s.accept(); c.recv(4096); held.append(c)
    c.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\nConnection: close\r\n\r\n0123456789")' "$port" &
listener=$!
trap 'kill $listener 2>/dev/null || true' EXIT
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
