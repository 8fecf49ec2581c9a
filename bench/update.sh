#!/usr/bin/env bash
# Prints the thumbnail update run's figures: builds bench_update in build-bench/ (an optimised
# build of its own), generates photo-like JPEGs (every fourth 12 megapixels, the others 2) and
# times djpeg over them, the first update run and a second, unchanged one.
#
#   bench/update.sh [FILES [THREADS]]   FILES defaults to 1000 (about 1.5 GB of pictures); the run
#                                       is timed on 1 and on 2 threads unless THREADS is given
#
# The pictures go to a temporary folder removed at the end, unless VEXARIS_BENCH_PICTURES names
# a folder to keep them in for the next time.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_update
command -v djpeg >/dev/null || { echo "djpeg is missing (package libjpeg-turbo-progs)" >&2; exit 1; }

if [ -n "${VEXARIS_BENCH_PICTURES:-}" ]; then
    pictures=$VEXARIS_BENCH_PICTURES
else
    pictures=$(mktemp -d)
    trap 'rm -rf "$pictures"' EXIT
fi
echo "== thumbnail update run =="
"$build/bin/bench_update" "$pictures" "$@"
