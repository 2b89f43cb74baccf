#!/usr/bin/env bash
# Usage: bench/run.sh [--runs N] [--mib M] [--settle SECONDS]
#
# The benchmarks: installs what is missing, builds the updater and the
# baseline programs in build-bench/ (built-in URL on a loopback port,
# UPDATER_BENCH_PORT, default 28929), and measures them under Wine against
# local servers; prints a table of medians. No part of the tests.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${UPDATER_BENCH_BUILD_DIR:-$root/build-bench}"
port="${UPDATER_BENCH_PORT:-28929}"

"$root/tools/setup.sh"
# The benchmark's own extra: native curl, one of the baselines.
if ! command -v curl >/dev/null; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq curl >/dev/null
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF -DUPDATER_BENCHMARKS=ON \
  -DUPDATER_DOWNLOAD_URL="http://127.0.0.1:$port/files/ov3/orvinta-setup.exe" >/dev/null
cmake --build "$build" -j "$(nproc)" --target updater demo_setup wine_desktop bench_wininet_loop bench_minimal_window \
  bench_progress_count bench_proxy_lookup check_publisher >/dev/null

"$root/tools/wine-env.sh" "$build" python3 "$root/bench/bench.py" --port "$port" "$@"
