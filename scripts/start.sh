#!/usr/bin/env bash
# Installs, builds and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec build/bin/vexaris
