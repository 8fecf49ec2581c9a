#!/usr/bin/env bash
# Installs what is missing, then builds and tests three ways: the whole program (warnings are
# errors under CI), the core and the command line alone without any window (which proves the core
# headless), and the whole program once more under AddressSanitizer and UndefinedBehaviorSanitizer.
# Before that, the tree must be formatted and its includes must run one way.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if ! command -v clang-format >/dev/null; then
    echo "clang-format is missing, so the formatting cannot be checked (scripts/setup.sh installs it)" >&2
    exit 1
fi
unformatted=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
    | xargs -r clang-format --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*' | cut -d: -f1 | sort -u || true)
if [ -n "$unformatted" ]; then
    echo "Not formatted (run: cmake --build build --target format):" >&2
    echo "$unformatted" >&2
    exit 1
fi
bash scripts/check-includes.sh

jobs=$(nproc)
# The everyday build in build/, kept as the developer configured it; CI adds -Werror.
if [ -n "${CI:-}" ]; then
    bash scripts/build.sh -DVEXARIS_WERROR=ON
else
    bash scripts/build.sh
fi
ctest --test-dir build --output-on-failure -j"$jobs"

for preset in core asan; do
    echo "== $preset build =="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
    ctest --preset "$preset" -j"$jobs"
done
