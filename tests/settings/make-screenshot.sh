#!/usr/bin/env bash
# Makes docs/options-de.png and docs/options-fr.png from a build folder (default: build/) under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target vexaris_options_screenshot
for language in de fr; do
    xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/vexaris_options_screenshot" "$language" "docs/options-$language.png"
done
