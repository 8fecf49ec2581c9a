#!/usr/bin/env bash
# Installs what is missing, configures build/ and builds it. Extra arguments go to cmake's
# configure step. Quick when nothing changed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
elif [ $# -gt 0 ]; then
    cmake -S . -B build "$@"
fi
cmake --build build -j"$(nproc)"
