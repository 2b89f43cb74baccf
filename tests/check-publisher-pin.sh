#!/usr/bin/env bash
# Usage: tests/check-publisher-pin.sh SOURCE_DIR
# The build's publisher pin names an identity or stops the configuration:
# exactly one non-empty O and one non-empty CN, in either order, with no
# control or invisible character in them.
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
# Characters nobody sees: tab, line feed, DEL, U+0085, soft hyphen, zero-width
# space, right-to-left override, word joiner, byte-order mark.
for hidden in $'\t' $'\n' $'\x7f' $'\xc2\x85' $'\xc2\xad' $'\xe2\x80\x8b' $'\xe2\x80\xae' $'\xe2\x81\xa0' \
              $'\xef\xbb\xbf'; do
  check refused "O=Velmora Ltd${hidden}Other;CN=Velmora Ltd"
  check refused "O=Velmora Ltd;CN=${hidden}Velmora Ltd"
done
# Visible text outside ASCII stays a name.
check ok 'O=Велмора;CN=Velmora Ltd' 'O=Велмора CN=Velmora Ltd'
[ $failed -eq 0 ] && echo "every pin names exactly one non-empty O and CN, or is refused"
exit $failed
