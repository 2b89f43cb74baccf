#!/usr/bin/env bash
# The main job: installs what is missing, builds updater.exe with its built-in
# URL on a local demo server, serves a demo setup program from there slowly
# enough to watch, runs the updater under Wine in a real window (this display
# when there is one, otherwise a virtual one), and prints what happened: where
# the file landed, the arguments the demo setup received, and screenshots
# taken during the download. Stops everything it started.
# Usage: tools/run.sh [ARGUMENTS FOR THE UPDATER...]   (default: alpha "beta gamma")
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BUILD_DIR:-$root/build}"
export UPDATER_DOWNLOAD_URL="${UPDATER_DOWNLOAD_URL:-$(cat "$root/tools/test-download-url")}"
port=$(sed -nE 's#^http://(127\.0\.0\.1|localhost):([0-9]+)/.*#\2#p' <<<"$UPDATER_DOWNLOAD_URL")
[ -n "$port" ] || { echo "run.sh: the demo needs a loopback URL, not $UPDATER_DOWNLOAD_URL" >&2; exit 2; }
"$root/tools/build.sh" updater demo_setup window_shot check_publisher wine_desktop

# The demo setup program with 3 MiB appended (it runs all the same), served in about 6 s.
demo="$build/demo"
rm -rf "$demo"; mkdir -p "$demo/screenshots"
unsigned="$demo/unsigned-setup.exe"
cp "$build/demo-setup.exe" "$unsigned"
head -c $((3 * 1024 * 1024)) /dev/zero >>"$unsigned"
# A throw-away test CA made here, trusted in this run's Wine prefix only; it
# signs updater.exe and the served setup (tools/sign.sh), so the updater's
# publisher check has a publisher to require and a signature to verify.
"$root/tests/support/signing-fixtures.sh" "$demo/signing" "$build/updater.exe" "$unsigned"
served="$demo/signing/setups/publisher.exe"
signed_updater="$demo/signing/signed/updater.exe"
echo "Signed updater.exe and the setup as: $(openssl x509 -in "$demo/signing/certs/publisher.pem" -noout -subject -nameopt RFC2253)"
python3 "$root/tools/demo-server.py" "$port" "$served" 6 2>"$demo/server.log" >"$demo/server.ready" &
server=$!
trap 'kill $server 2>/dev/null || true; wait $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$demo/server.ready" ] && break; sleep 0.05; done

[ $# -gt 0 ] || set -- alpha "beta gamma"
[ -z "${DISPLAY:-}" ] || export UPDATER_USE_DISPLAY=1
echo "Serving $(stat -c %s "$served") bytes at $UPDATER_DOWNLOAD_URL"
echo "Running: updater.exe $*"
"$root/tools/wine-env.sh" "$build" bash -c '
  demo=$1; served=$2; signed_updater=$3; shift 3
  winpath() { printf "Z:%s" "$1" | tr / "\\\\"; }
  "$UPDATER_WINE" "$UPDATER_BUILD_DIR/check-publisher.exe" --trust-root "$(winpath "$demo/signing/certs/ca.der")"
  "$UPDATER_WINE" "$signed_updater" "$@" &
  updater=$!
  shots=0
  for i in $(seq 200); do
    kill -0 $updater 2>/dev/null || break
    # A screenshot about every two seconds while the window is up.
    if [ $((i % 20)) -eq 10 ] && [ $shots -lt 3 ]; then
      shot="$demo/screenshots/during-download-$((shots + 1)).png"
      if "$UPDATER_WINE" "$UPDATER_BUILD_DIR/window-shot.exe" "$(winpath "$shot")" 2>/dev/null; then
        shots=$((shots + 1))
      fi
    fi
    sleep 0.1
  done
  wait $updater; code=$?
  echo "updater.exe exited with $code"
  temp="$WINEPREFIX/drive_c/Temp"
  # The updater starts the setup and ends; the setup writes its record just after.
  record="$temp/demo-setup-received.txt"
  for _ in $(seq 100); do [ -f "$record" ] && break; sleep 0.1; done
  landed=$(find "$temp" -maxdepth 1 -name "*.exe" -printf "%f\n" | head -n1)
  if [ -n "$landed" ]; then
    same=differs; cmp -s "$temp/$landed" "$served" && same="identical to the served file"
    echo "The download landed at C:\\Temp\\$landed ($(stat -c %s "$temp/$landed") bytes, $same)"
    cp "$temp/$landed" "$demo/$landed"
    echo "Publisher check on it (as the signed updater.exe checks before the start):"
    "$UPDATER_WINE" "$UPDATER_BUILD_DIR/check-publisher.exe" "$(winpath "$signed_updater")" \
      "$(winpath "$temp/$landed")" | sed "s/^/  /"
  else
    echo "No downloaded file in C:\\Temp"
  fi
  if [ -f "$record" ]; then
    cp "$record" "$demo/"
    { read -r program; read -r folder; IFS= read -r arguments; } <"$record"
    echo "The demo setup ran as $program"
    echo "  in the folder $folder"
    echo "  with the arguments: $arguments"
  else
    echo "The demo setup did not run"
  fi
  echo "Settings file C:\\Temp\\Velmora\\UpdaterSettings.xml:"
  cat "$temp/Velmora/UpdaterSettings.xml"; echo
' run "$demo" "$served" "$signed_updater" "$@"
echo "Screenshots taken during the download:"
ls -1 "$demo"/screenshots/*.png 2>/dev/null | sed 's/^/  /' || echo "  none (the window was not seen)"
echo "Copies of the landed file and of the setup's record are in $demo"
