#!/usr/bin/env bash
# Runs a Windows executable under the project's Wine environment: ctest's
# emulator for every test program. Inside tools/wine-env.sh it only execs Wine
# (through the wrappers a test asks for, below); outside it enters that
# environment first.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${UPDATER_WINE_ENV:-}" ]; then
  exec "$here/../tools/wine-env.sh" "${UPDATER_BUILD_DIR:-$here/../build}" "$here/wine-exec.sh" "$@"
fi
# Test discovery lists a program's cases before ctest runs them. Now and then
# Wine fails to start a program (it ends with 1 and prints nothing), and one
# failed listing would end the whole ctest run: a listing that printed nothing
# and failed is tried again, up to three times. Nothing else is repeated.
for argument in "$@"; do
  [ "$argument" = --gtest_list_tests ] || continue
  status=1
  for attempt in 1 2 3; do
    status=0
    listing=$("$UPDATER_WINE" "$@") || status=$?
    if [ $status -eq 0 ] || [ -n "$listing" ]; then
      printf '%s\n' "$listing"
      exit $status
    fi
    echo "wine-exec.sh: listing the cases of $1 printed nothing and ended with $status (attempt $attempt)" >&2
  done
  exit $status
done
# What a test program declares it needs (tests/CMakeLists.txt, updater_test):
# host names at 127.0.0.1 or a display density, each met by its wrapper.
if [ -n "${UPDATER_TEST_HOSTS:-}" ] && [ -n "${UPDATER_TEST_DENSITY:-}" ]; then
  echo "wine-exec.sh: host names and a density together are not supported" >&2
  exit 2
fi
command=("$UPDATER_WINE" "$@")
[ -z "${UPDATER_TEST_HOSTS:-}" ] || command=("$here/../tests/run-with-hosts.sh" "$UPDATER_TEST_HOSTS" "$@")
[ -z "${UPDATER_TEST_DENSITY:-}" ] || command=("$here/../tests/run-at-density.sh" "$UPDATER_TEST_DENSITY" "$@")
# The same start failure can meet a test's own run. A test program always
# prints before it runs a case (GoogleTest's header), so a run that failed
# without a byte of output never started and is tried again, up to three
# times; its output goes through as it comes.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
for attempt in 1 2 3; do
  status=0
  "${command[@]}" 2>&1 | tee "$output" || status=$?
  if [ $status -eq 0 ] || [ -s "$output" ]; then
    exit $status
  fi
  echo "wine-exec.sh: $1 printed nothing and ended with $status (attempt $attempt)" >&2
done
exit $status
