#!/usr/bin/env bash
# Prints what planning a rule costs on 100,000 pictures with 300,000 pairs: reading the pair list,
# then three plans (time, heap, verdicts); then the time of `vexaris-cli plan` and `plan --json`
# of the first rule to /dev/null, reading included. Builds bench_plan and vexaris-cli in
# build-bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_plan vexaris-cli
keep=$(mktemp -d)
trap 'rm -rf "$keep"' EXIT
"$build/bin/bench_plan" 300000 "$keep/plan.db"
"$build/bin/vexaris-cli" --db "$keep/plan.db" rule save Bench --keep pixels:5%,bytes,older \
    --keep-folder /bench/photos/folder0 --prune-folder /bench/photos/folder99
echo "== vexaris-cli plan of 300,000 pairs to /dev/null =="
for format in "" --json; do
    start=$(date +%s.%N)
    "$build/bin/vexaris-cli" --db "$keep/plan.db" plan Bench Bench $format >/dev/null
    end=$(date +%s.%N)
    printf 'plan %s: %.2f s\n' "${format:-(plain)}" "$(echo "$end - $start" | bc)"
done
