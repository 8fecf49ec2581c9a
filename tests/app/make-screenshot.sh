#!/usr/bin/env bash
# Makes help/mainwindow.png from a build folder (default: build/) under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target vexaris_mainwindow_screenshot
xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/vexaris_mainwindow_screenshot" help/mainwindow.png
