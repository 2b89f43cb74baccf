#!/usr/bin/env bash
# Usage: tests/run-at-density.sh DENSITY PROGRAM [ARGS...]
#
# Runs a Windows test program with the prefix's display density (LogPixels)
# set to DENSITY pixels per inch, tells it the density in UPDATER_TEST_DENSITY,
# and sets 96 again afterwards, also when this script is interrupted or
# terminated (the tests after it share the prefix). Enters the Wine
# environment when needed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${UPDATER_WINE_ENV:-}" ]; then
  exec "$here/../tools/wine-env.sh" "${UPDATER_BUILD_DIR:-$here/../build}" "$here/run-at-density.sh" "$@"
fi
density=$1; shift
set_density() {
  "$UPDATER_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
program=""
restore() {
  set +e
  [ -z "$program" ] || { kill "$program" 2>/dev/null; wait "$program" 2>/dev/null; }
  set_density 96
}
trap restore EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
set_density "$density"
# In the background, so that a signal is handled at once rather than after the program.
UPDATER_TEST_DENSITY=$density "$UPDATER_WINE" "$@" &
program=$!
set +e
wait "$program"
rc=$?
set -e
program=""
exit $rc
