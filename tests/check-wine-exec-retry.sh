#!/usr/bin/env bash
# Usage: tests/check-wine-exec-retry.sh
#
# cmake/wine-exec.sh tries a program again only when Wine failed to start it:
# a run that ended with an error and printed nothing. A stand-in for Wine
# fails silently a given number of times, then runs; a run that failed after
# printing is passed on as it is, once.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cat > "$scratch/wine" <<'STANDIN'
#!/usr/bin/env bash
count=$(($(cat "$STANDIN_DIR/count" 2>/dev/null || echo 0) + 1))
echo $count > "$STANDIN_DIR/count"
[ "$count" -gt "$STANDIN_SILENT_FAILURES" ] || exit 1
echo "ran $* (start $count)"
exit "$STANDIN_STATUS"
STANDIN
chmod +x "$scratch/wine"
status=0
# silent failures, the program's own status, listing or not; expected: output, status, starts
check() {
  local silent=$1 own=$2 expect_status=$3 expect_starts=$4 expect_line=$5
  shift 5
  rm -f "$scratch/count"
  local out got=0
  out=$(UPDATER_WINE_ENV=1 UPDATER_WINE="$scratch/wine" STANDIN_DIR="$scratch" STANDIN_SILENT_FAILURES=$silent \
        STANDIN_STATUS=$own "$root/cmake/wine-exec.sh" "$@" 2>/dev/null) || got=$?
  local starts
  starts=$(cat "$scratch/count")
  if [ "$got" != "$expect_status" ] || [ "$starts" != "$expect_starts" ] || ! grep -qx -- "$expect_line" <<<"$out"; then
    echo "FAIL: $silent silent failures, status $own, $*: got status $got after $starts starts, output '$out'"
    status=1
  fi
}
check 2 0 0 3 "ran prog.exe --gtest_filter=A.B (start 3)" prog.exe --gtest_filter=A.B
check 1 1 1 2 "ran prog.exe (start 2)" prog.exe
check 0 1 1 1 "ran prog.exe (start 1)" prog.exe
check 3 0 1 3 "" prog.exe
check 2 0 0 3 "ran prog.exe --gtest_list_tests (start 3)" prog.exe --gtest_list_tests
[ $status -eq 0 ] && echo "a run that never started is tried again, any other run goes through once"
exit $status
