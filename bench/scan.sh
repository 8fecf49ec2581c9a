#!/usr/bin/env bash
# Prints the scan run's figures: builds bench_scan in build-bench/ (an optimised build of its
# own) and runs it on a fresh database of signatures. Extra arguments go to bench_scan
# (PICTURES, default 10000).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_scan
echo "== duplicate scan run =="
"$build/bin/bench_scan" "$@"
