#!/usr/bin/env bash
# Usage: tests/run-with-hosts.sh NAMES PROGRAM [ARGS...]
# Runs a test program with the host names NAMES (separated by spaces) at
# 127.0.0.1: in a mount namespace of its own, /etc/hosts is a copy of the
# machine's with one line added, bound over it for this program and what it
# starts (Wine resolves names through the C library, which reads that file).
# Nothing outside the namespace sees the names. Needs root, as CI has.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${UPDATER_WINE_ENV:-}" ]; then
  exec "$here/../tools/wine-env.sh" "${UPDATER_BUILD_DIR:-$here/../build}" "$here/run-with-hosts.sh" "$@"
fi
names=$1; shift
hosts=$(mktemp)
trap 'rm -f "$hosts"' EXIT
{ cat /etc/hosts; echo "127.0.0.1 $names"; } >"$hosts"
chmod 644 "$hosts"
unshare --mount --propagation private sh -c 'mount --bind "$1" /etc/hosts && shift && exec "$@"' \
  sh "$hosts" "$UPDATER_WINE" "$@"
