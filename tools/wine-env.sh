#!/usr/bin/env bash
# Usage: tools/wine-env.sh BUILD_DIR COMMAND [ARGS...]
#
# Runs COMMAND inside a private Wine environment: a fresh 64-bit prefix inside
# BUILD_DIR (copied from a template that is made once, silently), the test
# registry defaults imported, an Xvfb display and one persistent wineserver.
# Everything it starts is stopped again by PID when COMMAND ends; the exit code
# is COMMAND's.
#
# UPDATER_USE_DISPLAY=1 with DISPLAY set uses that display instead of Xvfb.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -ge 2 ] || { echo "usage: $0 BUILD_DIR COMMAND [ARGS...]" >&2; exit 2; }
mkdir -p "$1"; build=$(cd "$1" && pwd); shift

# Unix proxy variables would override the Windows proxy settings inside Wine.
unset http_proxy https_proxy ftp_proxy all_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY ALL_PROXY NO_PROXY
export WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
winedir="$build/wine"
mkdir -p "$winedir"

run="$winedir/run-$$"
xvfb_pid="" server_pid=""
cleanup() {
  set +e
  if [ -n "$server_pid" ]; then
    WINEPREFIX="$run/prefix" "$WINESERVER" -k >/dev/null 2>&1
    kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null
  fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$run"

# The display comes first: DISPLAY must be set before the first wine process.
if [ "${UPDATER_USE_DISPLAY:-}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
  :
else
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$run/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$run/display" ] && break; sleep 0.1; done
  [ -s "$run/display" ] || { echo "wine-env: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$run/display")"
fi

# A template prefix is made once per build tree; each run copies it (well under a second).
template="$winedir/template"
(
  flock 9
  if [ ! -f "$template/.ready" ]; then
    rm -rf "$template"
    WINEPREFIX="$template" "$WINE" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$template" "$WINESERVER" -w
    touch "$template/.ready"
  fi
) 9>"$winedir/template.lock"
cp -a "$template" "$run/prefix"
export WINEPREFIX="$run/prefix"

# One persistent server for the whole run: each wine process then starts in
# milliseconds instead of seconds.
WINEPREFIX="$WINEPREFIX" "$WINESERVER" -f -p </dev/null >/dev/null 2>&1 &
server_pid=$!
socket=$(printf '/tmp/.wine-%d/server-%x-%x/socket' "$(id -u)" \
  "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
for _ in $(seq 100); do [ -S "$socket" ] && break; sleep 0.05; done

# Registry defaults for tests: no window manager waits, 96 dpi, no proxy,
# and a fresh temporary folder of the run's own.
mkdir -p "$WINEPREFIX/drive_c/Temp"
python3 - "$root/tests/fixtures/wine-defaults.reg" "$run/defaults.reg" <<'PY'
import sys
text = open(sys.argv[1], encoding="utf-8").read()
open(sys.argv[2], "w", encoding="utf-16").write(text)
PY
"$WINE" regedit /S "$(printf 'Z:%s' "$run/defaults.reg" | tr / '\\')" >/dev/null 2>&1

# The desktop comes up now, from a holder whose output goes nowhere, and stays
# up for the whole run (tools/WineDesktop.cpp says why).
desktop_holder="$build/wine-desktop.exe"
if [ -f "$desktop_holder" ]; then
  "$WINE" "$desktop_holder" "$(printf 'Z:%s' "$run/desktop-ready" | tr / '\\')" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 300); do [ -f "$run/desktop-ready" ] && break; sleep 0.1; done
  [ -f "$run/desktop-ready" ] || { echo "wine-env: the desktop did not come up" >&2; exit 1; }
else
  echo "wine-env: $desktop_holder is not built; a test that starts Wine's desktop may keep ctest waiting" >&2
fi

export UPDATER_WINE_ENV=1 UPDATER_WINE="$WINE" UPDATER_BUILD_DIR="$build"
set +e
"$@"
rc=$?
set -e
exit $rc
