#!/usr/bin/env bash
# Makes, from a build folder (default: build/) under Xvfb: help/mainwindow.png (the main window
# with a collection), docs/help-opening.png (F1 and the manual's page it opens) and
# docs/language-change-de.png (the preferences after changing the language to German).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target vexaris_mainwindow_screenshot vexaris_desktop_screenshot
screen=(-s "-screen 0 1024x768x24")
xvfb-run -a "${screen[@]}" "$build/bin/vexaris_mainwindow_screenshot" help/mainwindow.png
xvfb-run -a "${screen[@]}" "$build/bin/vexaris_desktop_screenshot" help docs/help-opening.png
xvfb-run -a "${screen[@]}" "$build/bin/vexaris_desktop_screenshot" language de docs/language-change-de.png
