#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
"$root/tools/build.sh"
"$root/tools/wine-env.sh" "$build" ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
