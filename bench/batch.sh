#!/usr/bin/env bash
# Prints how many Trash steps a second a batch applies on the local disk, and how many its undo
# takes back: 10,000 pairs of real files by default (an argument sets the count). Builds
# bench_batch in build-bench/ and runs it in that folder, on the disk the build lies on.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_batch
echo "== a batch of Trash steps and its undo =="
"$build/bin/bench_batch" "${1:-10000}" "$(cd "$build" && pwd)"
