#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
# The tests' build downloads from a loopback port where the end-to-end tests
# hold a server that answers as each test chooses (tests/support/BuiltInUrlServer.h).
export UPDATER_DOWNLOAD_URL="${UPDATER_DOWNLOAD_URL:-$(cat "$root/tools/test-download-url")}"
"$root/tools/build.sh"
"$root/tools/wine-env.sh" "$build" ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
