#!/usr/bin/env bash
# Usage: tools/build.sh [TARGET...]
# Installs what is missing, configures the build tree (UPDATER_BUILD_DIR, by
# default build/) and builds the given targets, or everything.
# UPDATER_DOWNLOAD_URL, when set, becomes the built-in download address.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
"$root/tools/setup.sh"
url=()
[ -z "${UPDATER_DOWNLOAD_URL:-}" ] || url=(-DUPDATER_DOWNLOAD_URL="$UPDATER_DOWNLOAD_URL")
# Tests are always built: a cache with BUILD_TESTING off would give a run of no tests.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=ON "${url[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
