#!/usr/bin/env bash
# Usage: tools/test-summary.sh LAST_TEST_LOG
#
# Prints, from ctest's log of the last run, every skipped GoogleTest case with
# its reason, then the number of cases run and skipped.
set -euo pipefail
log=$1
[ -f "$log" ] || { echo "no test log at $log"; exit 0; }
tr -d '\r' <"$log" | awk '
  /^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran\./ { run += $2; programs++ }
  /^Skipped \(allowed\): / { skipped++; print }
  /a skip fails the run unless UPDATER_TESTS_MAY_SKIP is set/ { refused++; print "Skip turned into a failure: " $0 }
  END {
    printf "GoogleTest cases run: %d (in %d program runs), skipped: %d", run, programs, skipped
    if (refused) printf ", skips turned into failures: %d", refused
    printf "\n"
  }'
