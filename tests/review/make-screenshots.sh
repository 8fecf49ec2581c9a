#!/usr/bin/env bash
# Makes docs/review-fitted.png and docs/review-actual-size.png from a build folder (default:
# build/) under Xvfb, with a pair of pictures that ImageMagick draws: a 1600 × 1200 JPEG and a
# smaller, slightly brighter JPEG copy of it. Then docs/journal.png: four pairs of such copies
# resolved in four ways, with a Trash and settings of its own. Last help/pairs-group.png and
# help/pairs-plan.png: the pairs overview of a collection of drawn pictures and their copies that
# the command line updates and scans, with a saved rule.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target vexaris_review_screenshot vexaris_journal_screenshot vexaris_pairs_screenshot vexaris-cli
pictures=$(mktemp -d)
# A short path of its own for the overview's collection, whose folders the table shows.
collection=$(mktemp -d /tmp/vxXXXX)
trap 'rm -rf "$pictures" "$collection"' EXIT
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

# Holiday pictures with a phone copy each (two with an old laptop's copy as well, one edited into a
# PNG), garden pictures alike enough to one another that their copies chain into one loose group,
# and evening frames each a little further on than the one before.
holiday="$collection/Pictures/2019/Holiday" garden="$collection/Pictures/2020/Garden"
phone="$collection/Backup/Phone" laptop="$collection/Backup/Old laptop" edited="$collection/Pictures/Edited"
mkdir -p "$holiday" "$garden" "$phone" "$laptop" "$edited"
i=0
for name in beach harbour lighthouse market dunes pier; do
    i=$((i + 1))
    convert -size 1600x1200 -seed $((i * 7)) plasma:skyblue-sandybrown -blur 0x8 -fill "#$((i % 9))0$((i % 5))0a0" \
        -draw "circle $((300 + i * 150)),500 $((380 + i * 150)),500" -quality 92 "$holiday/$name.jpg"
    convert "$holiday/$name.jpg" -resize 1024x768 -modulate 104,97 -quality 80 "$phone/IMG_2019071$i.jpg"
done
for name in beach pier; do
    convert "$holiday/$name.jpg" -resize 800x600 -quality 70 "$laptop/$name.jpg"
done
convert "$holiday/market.jpg" "$edited/market.png"
i=0
for name in roses tulips hedge pond; do
    i=$((i + 1))
    convert -size 1200x1600 -seed $((i * 31)) plasma:forestgreen-khaki -blur 0x6 -quality 90 "$garden/$name.jpg"
    convert "$garden/$name.jpg" -resize 600x800 -quality 75 "$phone/IMG_2020050$i.jpg"
done
for k in 1 2 3 4 5 6; do
    convert -size 1600x900 gradient:"#1e3c78"-"#e8b060" -rotate $((k * 14)) -gravity center -crop 1600x900+0+0 +repage \
        -fill "#f0f0e0" -draw "circle $((200 + k * 200)),450 $((260 + k * 200)),450" -quality 90 "$garden/evening-$k.jpg"
done
db="$pictures/overview.db"
cp "$build/bin/Vexaris.db" "$db"
cli() { "$build/bin/vexaris-cli" --db "$db" "$@" >/dev/null; }
cli create "Family pictures"
cli add-folder "Family pictures" "$collection" --tree
cli update "Family pictures"
cli scan "Family pictures" --method 1 --threshold 20 --yes
cli rule save "Keep the originals" --keep-folder "$collection/Pictures" --max-difference 200000
home="$pictures/overview-home"
mkdir -p "$home"
HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1366x800x24" "$build/bin/vexaris_pairs_screenshot" "$db" "Family pictures" \
    "Keep the originals" roses.jpg help
for shot in help/pairs-group.png help/pairs-plan.png; do
    convert "$shot" +dither -colors 256 "PNG8:$shot"
done
