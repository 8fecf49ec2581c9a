#!/usr/bin/env bash
# Makes docs/review-fitted.png and docs/review-actual-size.png from a build folder (default:
# build/) under Xvfb, with a pair of pictures that ImageMagick draws: a 1600 × 1200 JPEG and a
# smaller, slightly brighter JPEG copy of it. Then docs/journal.png: four pairs of such copies
# resolved in four ways, with a Trash and settings of its own.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target vexaris_review_screenshot vexaris_journal_screenshot
pictures=$(mktemp -d)
trap 'rm -rf "$pictures"' EXIT
mkdir -p "$pictures/Pictures/2005" "$pictures/Backup/Camera"
convert -size 1600x1200 -seed 11 plasma:wheat-steelblue -blur 0x10 \
    -fill '#f4e3a0' -draw 'circle 1000,560 1080,560' -quality 92 "$pictures/Pictures/2005/sunset.jpg"
convert "$pictures/Pictures/2005/sunset.jpg" -resize 800x600 -modulate 106,96 -quality 80 "$pictures/Backup/Camera/IMG_0412.jpg"
mkdir -p docs
LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/vexaris_review_screenshot" \
    "$pictures/Pictures/2005/sunset.jpg" "$pictures/Backup/Camera/IMG_0412.jpg" docs
# A palette of 256 colours keeps the files small; the pictures are soft enough not to show it.
for shot in docs/review-fitted.png docs/review-actual-size.png; do
    convert "$shot" +dither -colors 256 "PNG8:$shot"
done

home="$pictures/home"
mkdir -p "$home/.local/share" "$pictures/Pictures/2006/Summer at the lake" "$pictures/Backup/Phone/Camera roll exported"
pairs=()
for name in jetty boathouse storm picnic; do
    convert "$pictures/Pictures/2005/sunset.jpg" -resize 640x480 -quality 90 "$pictures/Pictures/2006/Summer at the lake/$name.jpg"
    convert "$pictures/Pictures/2006/Summer at the lake/$name.jpg" -resize 480x360 -quality 75 \
        "$pictures/Backup/Phone/Camera roll exported/IMG_2006_$name.jpg"
    pairs+=("$pictures/Pictures/2006/Summer at the lake/$name.jpg" "$pictures/Backup/Phone/Camera roll exported/IMG_2006_$name.jpg")
done
HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1366x800x24" "$build/bin/vexaris_journal_screenshot" docs/journal.png "${pairs[@]}"
convert docs/journal.png +dither -colors 256 "PNG8:docs/journal.png"
