#!/usr/bin/env bash
# Builds the tests and saves screenshots of the progress window, as the
# toolkit lays it out, at 96 and 144 pixels per inch into docs/screenshots.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
"$root/tools/build.sh" updater_form_tests
out="$root/docs/screenshots"
mkdir -p "$out"
windows_out="Z:$(echo "$out" | tr / '\\')"
for density in 96 144; do
  UPDATER_SCREENSHOT_DIR="$windows_out" "$root/tests/run-at-density.sh" "$density" \
    "$build/tests/updater_form_tests.exe" --gtest_filter=UpdaterFormTest.ShownWindowPaintsItsPictures
done
ls -l "$out"
