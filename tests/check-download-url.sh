#!/usr/bin/env bash
# Usage: tests/check-download-url.sh CMAKE SOURCE_DIR SCRATCH_DIR
# Configure warns when the built-in address is plain http://, saying what
# follows and what to use instead, and says nothing of it for https://.
# Each case is a real configuration of the project in SCRATCH_DIR.
set -uo pipefail
cmake="$1" source="$2" scratch="$3"
rm -rf "$scratch"
failed=0
check() {  # expected(warns|quiet) url
  local output status text
  output=$("$cmake" -S "$source" -B "$scratch" -DBUILD_TESTING=OFF -DUPDATER_DOWNLOAD_URL="$2" 2>&1); status=$?
  if [ $status -ne 0 ]; then
    echo "configure failed for '$2': $output"; failed=1; return
  fi
  # CMake wraps a warning's text over indented lines.
  text=$(printf '%s\n' "$output" | tr -s ' \n' '  ')
  if [ "$1" = warns ]; then
    for phrase in "UPDATER_DOWNLOAD_URL is plain http:// ($2)." \
                  "can serve an older signed setup of the same publisher in place of the current one" \
                  "Use an https:// address."; do
      if [[ "$text" != *"$phrase"* ]]; then
        echo "'$2': the warning does not say \"$phrase\":"; printf '%s\n' "$output"; failed=1
      fi
    done
  elif [[ "$text" == *"plain http://"* ]]; then
    echo "'$2' was warned about:"; printf '%s\n' "$output"; failed=1
  fi
}
check warns 'http://download.example.com/files/ov3/orvinta-setup.exe'
check warns 'HTTP://download.example.com/files/ov3/orvinta-setup.exe'
check quiet 'https://download.example.com/files/ov3/orvinta-setup.exe'
check quiet 'HTTPS://download.example.com/files/ov3/orvinta-setup.exe'
rm -rf "$scratch"
[ $failed -eq 0 ] && echo "configure warns on plain http:// and only there"
exit $failed
