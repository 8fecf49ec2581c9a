#!/usr/bin/env bash
# Prints how many files a second go to the Trash on the local disk (the build folder's file system):
# builds bench_trash in build-bench/ and runs it there. Extra arguments go to bench_trash (FILES,
# default 2000).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_trash
echo "== files moved to the Trash per second =="
"$build/bin/bench_trash" "${1:-2000}" "$(cd "$build" && pwd)"
