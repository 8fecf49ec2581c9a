#!/usr/bin/env bash
# Prints what the review core costs at 1,000, 300,000 and 2,000,000 pairs over 100,000 pictures:
# opening the pair list (time and heap), one step to the next pair, one resolution up to the next
# pair ready to show; then the time of `vexaris-cli pairs` and `pairs --json` of 300,000 pairs to
# /dev/null. Builds bench_review and vexaris-cli in build-bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_review vexaris-cli
keep=$(mktemp -d)
trap 'rm -rf "$keep"' EXIT
for pairs in 1000 300000 2000000; do
    echo "== $pairs pairs =="
    if [ "$pairs" = 300000 ]; then
        "$build/bin/bench_review" "$pairs" "$keep/pairs.db"
    else
        "$build/bin/bench_review" "$pairs"
    fi
done
echo "== vexaris-cli pairs of 300,000 pairs to /dev/null =="
for format in "" --json; do
    start=$(date +%s.%N)
    "$build/bin/vexaris-cli" --db "$keep/pairs.db" pairs Bench $format >/dev/null
    end=$(date +%s.%N)
    printf 'pairs %s: %.2f s\n' "${format:-(plain)}" "$(echo "$end - $start" | bc)"
done
