#!/usr/bin/env bash
# Prints the scan run's figures: builds bench_scan in build-bench/ (an optimised build of its
# own) and runs it on a fresh database of signatures. Extra arguments go to bench_scan
# (PICTURES, default 10000).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEXARIS_BENCH_BUILD:-build-bench}
log="$build/bench-scan-build.log"
mkdir -p "$build"
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXARIS_GUI=OFF -DVEXARIS_TESTS=OFF \
    && cmake --build "$build" -j"$(nproc)" --target bench_scan; } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "Building the benchmark failed (whole log: $log)" >&2
    exit 1
fi
echo "== duplicate scan run =="
"$build/bin/bench_scan" "$@"
