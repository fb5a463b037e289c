#!/usr/bin/env bash
# Builds and runs net_stall_bench: the worst event-loop stall of the thread calling
# HttpClient::get() during a 20 MB download throttled to ~5 s (target <= 50 ms).
# Usage: bench/net/run_stall_bench.sh [build-dir]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" -j2 --target net_stall_bench
exec "$build/net_stall_bench"
