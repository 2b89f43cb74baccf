#!/usr/bin/env bash
# Builds the tests and saves screenshots into docs/screenshots at 96 and 144
# pixels per inch: the progress window as it lays itself out
# (updater-window-*), and the real updater.exe during a download that the
# tests' own server trickles, its bar partly filled (updater-run-*).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
"$root/tools/build.sh" window_tests download_window_e2e_tests wine_desktop
out="$root/docs/screenshots"
mkdir -p "$out" "$build/test-servers"  # the run's browser stub lives in the servers' folder
windows_out="Z:$(echo "$out" | tr / '\\')"
for density in 96 144; do
  UPDATER_SCREENSHOT_DIR="$windows_out" "$root/tests/run-at-density.sh" "$density" \
    "$build/tests/window_tests.exe" --gtest_filter=ProgressWindowTest.ShownWindowPaintsItsPictures
  UPDATER_SCREENSHOT_DIR="$windows_out" "$root/tests/run-at-density.sh" "$density" \
    "$build/tests/download_window_e2e_tests.exe" --gtest_filter=DownloadWindowE2ETest.WindowShowsThePartlyFilledBar
done
ls -l "$out"
