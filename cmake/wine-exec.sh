#!/usr/bin/env bash
# Runs a Windows executable under the project's Wine environment. Inside
# tools/wine-env.sh it only execs Wine; outside it enters that environment first.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${UPDATER_WINE_ENV:-}" ]; then
  exec "$here/../tools/wine-env.sh" "${UPDATER_BUILD_DIR:-$here/../build}" "$here/wine-exec.sh" "$@"
fi
exec "$UPDATER_WINE" "$@"
