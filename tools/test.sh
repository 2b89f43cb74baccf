#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
# The tests' build downloads from a loopback port where the end-to-end tests
# hold a server that answers as each test chooses (tests/support/BuiltInUrlServer.h).
export UPDATER_DOWNLOAD_URL="${UPDATER_DOWNLOAD_URL:-$(cat "$root/tools/test-download-url")}"
"$root/tools/build.sh"
# A run that finds no test fails (--no-tests=error); it ends with the count of
# GoogleTest cases run and every skip (allowed only by UPDATER_TESTS_MAY_SKIP).
# A run of the whole suite also fails when a case the programs list did not run.
listed="$build/listed-cases.txt"
rm -f "$listed"
status=0
"$root/tools/wine-env.sh" "$build" ctest --test-dir "$build" --output-on-failure --no-tests=error \
  -j "$(nproc)" "$@" || status=$?
whole=()
[ $# -gt 0 ] || whole=("$listed")
"$root/tools/test-summary.sh" "$build/Testing/Temporary/LastTest.log" "${whole[@]}" || status=1
exit $status
