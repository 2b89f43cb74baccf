#!/usr/bin/env bash
# Usage: tools/test-summary.sh LAST_TEST_LOG [LISTED_CASES]
#
# Prints, from ctest's log of the last run, every skipped GoogleTest case with
# its reason, then the number of cases run and skipped. With LISTED_CASES
# (every case the test programs list, one a line, as the run's
# EveryListedCaseRuns wrote it; for a run of the whole suite) it also holds
# the cases that ran against those listed, and exits 1 when one did not run.
set -euo pipefail
log=$1 listed=${2:-}
[ -f "$log" ] || { echo "no test log at $log"; exit 0; }
if [ -n "$listed" ] && [ ! -f "$listed" ]; then
  echo "The cases listed are unknown: EveryListedCaseRuns did not record them ($listed)"
  exit 1
fi
tr -d '\r' <"$log" | awk -v listed="$listed" '
  BEGIN { while (listed != "" && (getline name <listed) > 0) if (name != "") { wanted[name] = 1; listedCount++ } }
  /^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran\./ { run += $2; programs++ }
  /^\[ RUN      \] / { if (!($4 in ran)) distinct++; ran[$4] = 1 }
  /^Skipped \(allowed\): / { skipped++; print }
  /a skip fails the run unless UPDATER_TESTS_MAY_SKIP is set/ { refused++; print "Skip turned into a failure: " $0 }
  END {
    for (name in wanted) if (!(name in ran)) { print "Listed, but did not run: " name; missing++ }
    printf "GoogleTest cases run: %d (in %d program runs, %d distinct", run, programs, distinct
    if (listed != "") printf " of %d listed", listedCount
    printf "), skipped: %d", skipped
    if (refused) printf ", skips turned into failures: %d", refused
    printf "\n"
    exit (missing > 0 ? 1 : 0)
  }'
