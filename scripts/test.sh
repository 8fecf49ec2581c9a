#!/usr/bin/env bash
# Installs, builds and runs every test through CTest. Under CI, warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${CI:-}" ]; then
    bash scripts/build.sh -DVEXARIS_WERROR=ON
else
    bash scripts/build.sh
fi
if command -v clang-format >/dev/null; then
    unformatted=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
        | xargs -r clang-format --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*' | cut -d: -f1 | sort -u || true)
    if [ -n "$unformatted" ]; then
        echo "Not formatted (run: cmake --build build --target format):" >&2
        echo "$unformatted" >&2
        exit 1
    fi
fi
ctest --test-dir build --output-on-failure -j"$(nproc)"
