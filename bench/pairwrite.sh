#!/usr/bin/env bash
# Prints how fast the scan run records pairs when nearly every pair matches: builds
# bench_pairwrite in build-bench/ and runs it. Extra arguments go to bench_pairwrite (PICTURES,
# default 600).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_pairwrite
echo "== pairs recorded per second =="
"$build/bin/bench_pairwrite" "$@"
