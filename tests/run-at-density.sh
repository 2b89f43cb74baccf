#!/usr/bin/env bash
# Usage: tests/run-at-density.sh DENSITY PROGRAM [ARGS...]
#
# Runs a Windows test program with the prefix's display density (LogPixels)
# set to DENSITY pixels per inch, tells it the density in UPDATER_TEST_DENSITY,
# and sets 96 again afterwards. Enters the Wine environment when needed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${UPDATER_WINE_ENV:-}" ]; then
  exec "$here/../tools/wine-env.sh" "${UPDATER_BUILD_DIR:-$here/../build}" "$here/run-at-density.sh" "$@"
fi
density=$1; shift
set_density() {
  "$UPDATER_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
set_density "$density"
set +e
UPDATER_TEST_DENSITY=$density "$UPDATER_WINE" "$@"
rc=$?
set -e
set_density 96
exit $rc
