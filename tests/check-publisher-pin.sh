#!/usr/bin/env bash
# Usage: tests/check-publisher-pin.sh SOURCE_DIR
# The build's publisher pin names an identity or stops the configuration:
# exactly one non-empty O and one non-empty CN, in either order.
set -uo pipefail
module="$1/cmake/PublisherPin.cmake"
failed=0
check() {  # expected(ok|refused) pin [printed]
  local output status
  output=$(cmake -DPIN="$2" -P "$module" 2>&1); status=$?
  if [ "$1" = ok ] && { [ $status -ne 0 ] || [ "$output" != "$3" ]; }; then
    echo "pin '$2': expected '$3', got (exit $status) $output"; failed=1
  elif [ "$1" = refused ] && [ $status -eq 0 ]; then
    echo "pin '$2' was taken: $output"; failed=1
  fi
}
check ok 'O=Velmora Ltd;CN=Velmora Ltd' 'O=Velmora Ltd CN=Velmora Ltd'
check ok 'CN=Velmora Ltd;O=Velmora "Q" Ltd' 'O=Velmora \"Q\" Ltd CN=Velmora Ltd'
for pin in 'O=;CN=Velmora Ltd' 'O=Velmora Ltd;CN=' 'CN=Velmora Ltd' 'O=Velmora Ltd' \
           'O=Velmora Ltd;O=Other;CN=Velmora Ltd' 'O=Velmora Ltd;CN=Velmora Ltd;CN=Other' \
           'L=Tallinn;O=Velmora Ltd;CN=Velmora Ltd' ''; do
  check refused "$pin"
done
[ $failed -eq 0 ] && echo "every pin names exactly one non-empty O and CN, or is refused"
exit $failed
