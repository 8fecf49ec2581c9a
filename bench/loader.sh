#!/usr/bin/env bash
# Prints the picture loader's decoding figures: builds bench_loader in build-bench/ (an
# optimised build of its own), writes large pictures in several formats with ImageMagick and with
# the HEIF, WebP, AVIF and JPEG XL libraries' own encoders (at their default quality; avifenc at a
# quicker speed than its default) into a temporary folder, and times each with kept and with fresh picture and bitmap holders.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
build_bench_targets bench_loader

pictures=$(mktemp -d)
trap 'rm -rf "$pictures"' EXIT
convert -seed 7 -size 4000x3000 plasma:fractal "$pictures/photo.ppm"
convert "$pictures/photo.ppm" -quality 90 "$pictures/photo-12mp.jpg"
convert "$pictures/photo.ppm" -quality 90 -interlace JPEG "$pictures/photo-12mp-progressive.jpg"
convert "$pictures/photo.ppm" -colorspace Gray -quality 90 "$pictures/photo-12mp-grey.jpg"
convert "$pictures/photo.ppm" "$pictures/photo-12mp.png"
convert "$pictures/photo.ppm" -compress LZW "$pictures/photo-12mp.tif"
convert "$pictures/photo.ppm" "$pictures/photo-12mp.gif"
convert "$pictures/photo.ppm" BMP3:"$pictures/photo-12mp.bmp"
convert "$pictures/photo.ppm" -resize 1920x1440 -quality 90 "$pictures/photo-2.7mp.jpg"
# The plasma has too many colours for a palette, so this PNG is true colour, as heif-enc needs.
png=$pictures/photo-12mp.png
heif-enc -o "$pictures/photo-12mp.heic" "$png" >/dev/null
cwebp -quiet "$png" -o "$pictures/photo-12mp.webp"
cwebp -quiet -lossless "$png" -o "$pictures/photo-12mp-lossless.webp"
avifenc -s 8 -j "$(nproc)" "$png" "$pictures/photo-12mp.avif" >/dev/null
cjxl "$png" "$pictures/photo-12mp.jxl" >/dev/null 2>&1
rm "$pictures/photo.ppm"

"$build/bin/bench_loader" "$pictures"/*
