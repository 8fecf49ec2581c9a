#!/usr/bin/env bash
# Prints the peak resident memory of `vexaris-cli update` against the goal of staying below 1 GB:
# over hostile pictures (files of a few bytes to a few kilobytes whose headers declare frames of up
# to 225 megapixels, made with the codec libraries' own encoders, or by hand where a few bytes
# do), over large photos, and over all of them together; each on the default thread count (one
# per core) and on 4 threads, for the build of this tree and for one of an earlier revision.
#
#   bench/memory.sh [BEFORE]   BEFORE is the revision to compare with (default: where this branch
#                              left main); "none" measures this tree alone
#
# Making the pictures takes several minutes. They go to a temporary folder removed at the end,
# unless VEXARIS_BENCH_PICTURES names a folder to keep them in for the next time.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh

imagemagick=$(command -v convert-im6.q16 || command -v convert || true)
for tool in cwebp dwebp avifenc cjxl heif-enc cjpeg ppm2tiff "$imagemagick" /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (bash scripts/setup.sh installs it)" >&2; exit 1; }
done

build_bench_targets vexaris-cli vexaris_database
after=$build/bin/vexaris-cli

# The earlier revision, built once into a folder of its own.
before_revision=${1:-$(git merge-base HEAD main 2>/dev/null || echo none)}
before=
if [ "$before_revision" != none ] && [ "$(git rev-parse "$before_revision")" != "$(git rev-parse HEAD)" ]; then
    before_revision=$(git rev-parse --short "$before_revision")
    before_root=$PWD/$build/before-$before_revision
    if [ ! -x "$before_root/build/bin/vexaris-cli" ]; then
        echo "Building $before_revision for the figures before ..." >&2
        rm -rf "$before_root/source"
        mkdir -p "$before_root/source"
        git archive "$before_revision" | tar -x -C "$before_root/source"
        (cd "$before_root/source" && build=$before_root/build && build_bench_targets vexaris-cli vexaris_database)
    fi
    before=$before_root/build/bin/vexaris-cli
fi

if [ -n "${VEXARIS_BENCH_PICTURES:-}" ]; then
    pictures=$VEXARIS_BENCH_PICTURES
    mkdir -p "$pictures"
else
    pictures=$(mktemp -d)
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; [ -n "${VEXARIS_BENCH_PICTURES:-}" ] || rm -rf "$pictures"' EXIT

# ---- The pictures ------------------------------------------------------------------------------

# One grey colour, as PPM (8-bit RGB), PGM or a 4:2:0 Y4M frame.
flat_ppm() { { printf 'P6\n%d %d\n255\n' "$1" "$2"; head -c $(($1 * $2 * 3)) /dev/zero | tr '\0' '\140'; } >"$3"; }
flat_pgm() { { printf 'P5\n%d %d\n255\n' "$1" "$2"; head -c $(($1 * $2)) /dev/zero | tr '\0' '\140'; } >"$3"; }
flat_y4m()
{
    {
        printf 'YUV4MPEG2 W%d H%d F1:1 Ip A1:1 C420jpeg\nFRAME\n' "$1" "$2"
        head -c $(($1 * $2)) /dev/zero | tr '\0' '\140'
        head -c $(($1 * $2 / 2)) /dev/zero | tr '\0' '\200'
    } >"$3"
}

# Writes to stdout the escapes of a little-endian 16- or 32-bit value.
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }

# A lossless WebP of one colour: every prefix code has a single symbol, so the pixels take no bits
# and the file has 34 bytes whatever its size.
webp_lossless_flat()
{
    local width=$1 height=$2 acc=0 nbits=0 bytes=() symbol b out
    put()
    {
        local i
        for ((i = 0; i < $2; i++)); do
            acc=$((acc | ($1 >> i & 1) << nbits))
            if ((++nbits == 8)); then
                bytes+=("$acc")
                acc=0
                nbits=0
            fi
        done
    }
    put 0x2f 8
    put $((width - 1)) 14
    put $((height - 1)) 14
    put 0 6 # no alpha, version 0, no transform, no colour cache
    put 0 1 # no meta prefix codes
    for symbol in 96 160 64 255 0; do put $((5 | symbol << 3)) 11; done
    ((nbits == 0)) || bytes+=("$acc")
    ((${#bytes[@]} % 2 == 0)) || bytes+=(0)
    out="RIFF$(le32 $((12 + ${#bytes[@]})))WEBPVP8L$(le32 ${#bytes[@]})"
    for b in "${bytes[@]}"; do out+=$(printf '\\x%02x' "$b"); done
    printf "$out" >"$3"
}

# A run-length coded Targa of one colour: a packet repeats a pixel up to 128 times, and packets
# end with their row.
tga_rle_flat()
{
    local width=$1 height=$2 row='' left
    for ((left = width; left > 0; left -= 128)); do
        row+=$(printf '\\x%02x\\x60\\x60\\x60' $((127 + (left < 128 ? left : 128))))
    done
    printf "$row" >"$scratch/rows"
    local bytes=$(($(stat -c %s "$scratch/rows") * height))
    while (($(stat -c %s "$scratch/rows") < bytes)); do
        cat "$scratch/rows" "$scratch/rows" >"$scratch/more"
        mv "$scratch/more" "$scratch/rows"
    done
    {
        printf "\\x00\\x00\\x0a\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00$(le16 "$width")$(le16 "$height")\\x18\\x20"
        head -c "$bytes" "$scratch/rows"
    } >"$3"
    rm -f "$scratch/rows"
}

# once FILE COMMAND...: runs the command that makes the file, unless an earlier run made it.
once()
{
    [ -s "$1" ] && return 0
    echo "  $(basename "$1")" >&2
    "${@:2}"
}

make_pictures()
{
    echo "Making the pictures (once, when VEXARIS_BENCH_PICTURES keeps them) ..." >&2
    mkdir -p "$pictures/tester" "$pictures/hostile" "$pictures/photos"
    local i
    for i in 1 2 3 4 5 6 7 8; do
        once "$pictures/tester/lossless-15000-$i.webp" webp_lossless_flat 15000 15000 "$pictures/tester/lossless-15000-$i.webp"
    done

    local h=$pictures/hostile
    for i in 1 2 3 4; do
        once "$h/webp-lossless-7000-$i.webp" webp_lossless_flat 7000 7000 "$h/webp-lossless-7000-$i.webp"
    done
    once "$h/webp-lossless-15000.webp" webp_lossless_flat 15000 15000 "$h/webp-lossless-15000.webp"
    once "$h/png-15000.png" dwebp -quiet "$h/webp-lossless-15000.webp" -o "$h/png-15000.png"
    local side
    for side in 15000 8000; do
        if [ ! -s "$h/avif-$side.avif" ] || [ ! -s "$h/heic-$side.heic" ]; then
            flat_y4m $side $side "$scratch/flat.y4m"
            once "$h/avif-$side.avif" avifenc -s 10 -j 2 "$scratch/flat.y4m" "$h/avif-$side.avif" >/dev/null
            [ $side = 15000 ] || once "$h/heic-$side.heic" heif-enc -q 50 "$scratch/flat.y4m" -o "$h/heic-$side.heic" >/dev/null
        fi
    done
    if [ ! -s "$h/jxl-15000-grey.jxl" ]; then
        flat_pgm 15000 15000 "$scratch/flat.pgm"
        once "$h/jxl-15000-grey.jxl" cjxl -d 0 -e 1 --quiet "$scratch/flat.pgm" "$h/jxl-15000-grey.jxl"
    fi
    if [ ! -s "$h/jpeg-15000-progressive.jpg" ] || [ ! -s "$h/jpeg-15000.jpg" ] || [ ! -s "$h/tiff-15000-strips.tif" ]; then
        flat_ppm 15000 15000 "$scratch/flat.ppm"
        once "$h/jpeg-15000-progressive.jpg" sh -c "cjpeg -progressive '$scratch/flat.ppm' >'$h/jpeg-15000-progressive.jpg'"
        once "$h/jpeg-15000.jpg" sh -c "cjpeg '$scratch/flat.ppm' >'$h/jpeg-15000.jpg'"
        once "$h/tiff-15000-strips.tif" ppm2tiff -c zip -r 16 "$scratch/flat.ppm" "$h/tiff-15000-strips.tif"
    fi
    if [ ! -s "$h/tiff-12000-one-strip.tif" ]; then
        flat_ppm 12000 12000 "$scratch/flat.ppm"
        once "$h/tiff-12000-one-strip.tif" ppm2tiff -c zip -r 12000 "$scratch/flat.ppm" "$h/tiff-12000-one-strip.tif"
    fi
    once "$h/tga-15000-rle.tga" tga_rle_flat 15000 15000 "$h/tga-15000-rle.tga"
    rm -f "$scratch"/flat.*

    # Photo-like content at 24 megapixels in the formats cameras, phones and editors write, from a
    # source kept beside the folders.
    local p=$pictures/photos s=$pictures/source
    mkdir -p "$s"
    once "$s/photo.ppm" "$imagemagick" -size 6000x4000 -seed 7 plasma:fractal -blur 0x1 -depth 8 "$s/photo.ppm"
    once "$s/photo.png" "$imagemagick" "$s/photo.ppm" "$s/photo.png"
    once "$p/photo.jpg" sh -c "cjpeg -quality 90 '$s/photo.ppm' >'$p/photo.jpg'"
    once "$p/photo-progressive.jpg" sh -c "cjpeg -quality 90 -progressive '$s/photo.ppm' >'$p/photo-progressive.jpg'"
    once "$p/photo.webp" cwebp -quiet -q 80 "$s/photo.ppm" -o "$p/photo.webp"
    once "$p/photo-lossless.webp" cwebp -quiet -lossless -z 1 "$s/photo.ppm" -o "$p/photo-lossless.webp"
    once "$p/photo.avif" avifenc -s 8 -j 2 "$s/photo.png" "$p/photo.avif" >/dev/null
    once "$p/photo.heic" heif-enc -q 80 "$s/photo.png" -o "$p/photo.heic" >/dev/null
    once "$p/photo.jxl" cjxl --quiet -q 90 "$s/photo.ppm" "$p/photo.jxl"
    once "$p/photo.png" cp "$s/photo.png" "$p/photo.png"
    once "$p/photo.tif" ppm2tiff -c zip "$s/photo.ppm" "$p/photo.tif"
}
make_pictures

# ---- The runs ----------------------------------------------------------------------------------

# measure CLI FOLDER... THREADS: one update run over the folders of a fresh collection; prints
# the peak resident memory in MB, the time, and the pictures read and the files refused.
measure()
{
    local cli=$1 threads=${*: -1} folders=("${@:2:$#-2}") database=$scratch/bench.db folder
    # The empty database each build delivers, since an earlier build cannot open a later format.
    cp "$(dirname "$cli")/Vexaris.db" "$database"
    # A settings folder of its own, so that no stored preference sets the thread count.
    export XDG_CONFIG_HOME=$scratch/config
    "$cli" --db "$database" create bench >/dev/null
    for folder in "${folders[@]}"; do "$cli" --db "$database" add-folder bench "$folder" >/dev/null; done
    local arguments=()
    [ "$threads" = default ] || arguments=(--threads "$threads")
    /usr/bin/time -f '%M %e' -o "$scratch/time" "$cli" --db "$database" update bench "${arguments[@]}" \
        >"$scratch/out" 2>&1 || true
    local kilobytes seconds read problems
    # time puts a line about a failed exit status first.
    read -r kilobytes seconds < <(tail -n 1 "$scratch/time")
    read=$(sed -n 's/.* \([0-9]*\) pictures read.*/\1/p' "$scratch/out" | tail -n 1)
    problems=$(sed -n 's/.* \([0-9]*\) problems.*/\1/p' "$scratch/out" | tail -n 1)
    printf '%6d MB %6.1f s %3s read %3s problems' $((kilobytes / 1024)) "$seconds" "${read:-?}" "${problems:-?}"
}

echo "== peak resident memory of vexaris-cli update (goal: below 1000 MB; default threads: $(nproc)) =="
printf '%-44s %-8s' "pictures" "threads"
[ -z "$before" ] || printf ' %-40s' "before ($before_revision)"
printf ' %s\n' "after"
row()
{
    local label=$1 threads=$2
    shift 2
    printf '%-44s %-8s' "$label" "$threads"
    [ -z "$before" ] || printf ' %s' "$(measure "$before" "$@" "$threads")"
    printf ' %s\n' "$(measure "$after" "$@" "$threads")"
}
for threads in default 4; do
    row "8 lossless WebP 15000 x 15000 of 34 bytes" $threads "$pictures/tester"
    row "$(ls "$pictures/hostile" | wc -l) hostile files of up to $(($(du -b "$pictures/hostile"/* | sort -n | tail -n 1 | cut -f 1) / 1024)) KB" \
        $threads "$pictures/hostile"
    row "$(ls "$pictures/photos" | wc -l) photos of 24 megapixels" $threads "$pictures/photos"
    row "all of them" $threads "$pictures/tester" "$pictures/hostile" "$pictures/photos"
done
