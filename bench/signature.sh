#!/usr/bin/env bash
# Prints the signature and pair-test figures: builds the benchmark programs in build-bench/ (an
# optimised build of its own) and runs them. Extra arguments go to bench_pairtest
# (PICTURES THRESHOLD).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEXARIS_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXARIS_GUI=OFF -DVEXARIS_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_pairtest >/dev/null

echo "== pair tests =="
"$build/bin/bench_pairtest" "$@"
