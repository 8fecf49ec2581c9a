#!/usr/bin/env bash
# Prints the signature and pair-test figures: builds the benchmark programs in build-bench/ (an
# optimised build of its own), makes a set of JPEG files with ImageMagick in a temporary folder
# and runs the programs. Extra arguments go to bench_pairtest (PICTURES THRESHOLD).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEXARIS_BENCH_BUILD:-build-bench}
log="$build/bench-build.log"
mkdir -p "$build"
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXARIS_GUI=OFF -DVEXARIS_TESTS=OFF \
    && cmake --build "$build" -j"$(nproc)" --target bench_signature bench_pairtest; } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "Building the benchmarks failed (whole log: $log)" >&2
    exit 1
fi

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
