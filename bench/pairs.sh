#!/usr/bin/env bash
# Prints what the pairs overview costs on 100,000 pictures with 300,000 pairs, wall and processor
# time: its model driven without a window (opening, sorting each kind of column, changing the
# interval and the other filters, drawing a screenful of rows, a rule's verdicts for every row),
# then the window itself under Xvfb (opening with the table drawn, a sort, scrolling). The
# benchmark needs the windows, so it is built in an optimised build of its own with them
# (build-bench-gui/, or an already configured VEXARIS_BENCH_GUI_BUILD, used as it is).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEXARIS_BENCH_GUI_BUILD:-build-bench-gui}
log="$build/bench-pairs-build.log"
mkdir -p "$build"
if ! { { [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXARIS_TESTS=OFF; } \
    && cmake --build "$build" -j"$(nproc)" --target bench_pairs; } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "Building the benchmark failed (whole log: $log)" >&2
    exit 1
fi
keep=$(mktemp -d)
trap 'rm -rf "$keep"' EXIT
# The window keeps its layout with the preferences: in a home of the benchmark's own.
mkdir -p "$keep/home"
export HOME="$keep/home" XDG_CONFIG_HOME="$keep/home/.config"
echo "== the model, without a window =="
"$build/bin/bench_pairs" model "$keep/pairs.db" 300000
echo "== the window, under Xvfb =="
xvfb-run -a -s "-screen 0 1600x1000x24" "$build/bin/bench_pairs" window "$keep/pairs.db" 2>&1 | grep -v XDG_RUNTIME_DIR
