#!/usr/bin/env bash
# Regenerates the action icons from the Tango icon theme (Debian package tango-icon-theme, public
# domain): the normal image as it is, a disabled variant (grey, faded) and a highlighted variant
# (brighter). The results are committed; run this only to change an icon.
set -euo pipefail
cd "$(dirname "$0")"
tango=/usr/share/icons/Tango/24x24
declare -A sources=(
    [0-savecollection]=actions/document-save.png
    [1-deletecollection]=actions/edit-delete.png
    [2-preferences]=categories/preferences-system.png
    [3-update]=actions/view-refresh.png
    [4-scan]=actions/system-search.png
    [5-viewduplicates]=actions/edit-copy.png
    [6-addfolder]=actions/folder-new.png
    [7-pairs]=mimetypes/x-office-spreadsheet.png
)
for name in "${!sources[@]}"; do
    src="$tango/${sources[$name]}"
    convert "$src" -strip "PNG32:$name.png"
    convert "$src" -strip -colorspace Gray -channel A -evaluate multiply 0.45 +channel "PNG32:$name-disabled.png"
    convert "$src" -strip -modulate 125,120 "PNG32:$name-highlighted.png"
done
convert /usr/share/icons/Tango/32x32/mimetypes/image-x-generic.png -strip PNG32:vexaris.png
# The desktop's menus and software centre draw the program's icon at any size.
cp /usr/share/icons/Tango/scalable/mimetypes/image-x-generic.svg vexaris.svg
