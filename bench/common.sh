# Sourced by the benchmark scripts, from the repository's root: builds the named targets in an
# optimised build of their own (build-bench/, or VEXARIS_BENCH_BUILD) and sets $build to it.
build=${VEXARIS_BENCH_BUILD:-build-bench}

build_bench_targets()
{
    local log="$build/bench-$1-build.log"
    mkdir -p "$build"
    if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXARIS_GUI=OFF -DVEXARIS_TESTS=OFF \
        && cmake --build "$build" -j"$(nproc)" --target "$@"; } >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        echo "Building the benchmark failed (whole log: $log)" >&2
        exit 1
    fi
}
