#!/usr/bin/env bash
# Prints the signature and pair-test figures: builds the benchmark programs in build-bench/ (an
# optimised build of its own), makes a set of JPEG files with ImageMagick in a temporary folder
# and runs the programs. Extra arguments go to bench_pairtest (PICTURES THRESHOLD).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_signature bench_pairtest

pictures=$(mktemp -d)
trap 'rm -rf "$pictures"' EXIT
for size in 640x480 1920x1080 4000x3000; do
    convert -seed 7 -size "$size" plasma:fractal -quality 90 "$pictures/colour-$size.jpg"
done
convert -seed 7 -size 2000x1500 plasma:fractal -colorspace Gray -quality 90 "$pictures/grey-2000x1500.jpg"

echo "== signature against decode =="
"$build/bin/bench_signature" "$pictures"/*.jpg
echo
echo "== pair tests =="
"$build/bin/bench_pairtest" "$@"
