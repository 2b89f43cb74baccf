#!/usr/bin/env bash
# Usage: tests/check-registered-cases.sh [PROGRAM REGISTERED_FILE]...
#
# Fails when a test program lists a case (--gtest_list_tests) that no
# registration runs, or when a registration (a line of REGISTERED_FILE: a full
# case name, or a GoogleTest pattern with * and ?) names no listed case. Runs
# the programs in the Wine environment (entered when needed).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
status=0
while [ $# -ge 2 ]; do
  program=$1 registered=$2
  shift 2
  name=$(basename "$program" .exe)
  listing=$("$here/../cmake/wine-exec.sh" "$program" --gtest_list_tests | tr -d '\r')
  # A suite line ends in "." and starts in column 1; its cases are indented.
  mapfile -t cases < <(awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }' <<<"$listing")
  mapfile -t patterns < <(grep -v '^$' "$registered" || true)
  declare -A registered_cases=()
  for pattern in "${patterns[@]}"; do
    found=0
    for case in "${cases[@]}"; do
      # shellcheck disable=SC2053  # the pattern is a glob on purpose
      if [[ $case == $pattern ]]; then registered_cases[$case]=1; found=1; fi
    done
    [ $found = 1 ] || { echo "$name: the registration $pattern names no case the program lists"; status=1; }
  done
  for case in "${cases[@]}"; do
    [ -n "${registered_cases[$case]:-}" ] || { echo "$name: $case is listed, but no registration runs it"; status=1; }
  done
  echo "$name: ${#cases[@]} cases listed, ${#patterns[@]} registrations"
  unset registered_cases
done
exit $status
