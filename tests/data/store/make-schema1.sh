#!/usr/bin/env bash
# How schema1-two-collections.db was made: by the program of the first database format (the
# Collection.Name column with the program's own collation, user_version 1), at the commit before
# the format changed. It cannot be made again by today's program, which writes the new format;
# it is kept as the file users have. The second row of "gradient copy.jpg" (ID 6) and its pair
# were added with the sqlite3 client, as two update runs at once used to leave them.
#   git worktree add /tmp/old 549095b && cmake -S /tmp/old -B /tmp/old/build && cmake --build /tmp/old/build
set -euo pipefail
bin=${1:?the old build's bin folder}
tools=${2:?the old build's tools folder}
data=$(cd "$(dirname "$0")/../runs" && pwd)
work=/tmp/vx1
rm -rf "$work" && mkdir -p "$work/Holiday/2005" "$work/Ärger"
cp "$data/photo-gradient-64x48.jpg" "$work/Holiday/gradient.jpg"
cp "$data/photo-plasma-80x60.jpg" "$work/Holiday/plasma.jpg"
convert "$data/photo-plasma-80x60.jpg" -resize 60x45 "$work/Holiday/2005/plasma-small.jpg"
convert "$data/photo-gradient-64x48.jpg" -quality 70 "$work/Ärger/gradient copy.jpg"
cp "$data/photo-plasma-80x60.jpg" "$work/Ärger/Bob's plasma.jpg"
db=$work/schema1.db
cli() { "$bin/vexaris-cli" --db "$db" "$@"; }
"$tools/vexaris-makedb" "$(dirname "$0")/../../../src/store/schema.sql" "$db"
for name in Holiday "Ärger im Büro" Gone Empty; do cli create "$name"; done
cli add-folder Holiday "$work/Holiday" --tree
cli add-folder "ärger im büro" "$work/Ärger"
cli update Holiday
cli update "Ärger im Büro"
cli scan Holiday --threshold 20
cli scan "Ärger im Büro" --threshold 20
cli delete Gone --yes
cli scan Holiday --method 1 --threshold 30 --yes
cli scan Holiday --method 1 --threshold 50 --yes
cli scan "ärger im büro" --method 1 --threshold 50 --yes
sqlite3 "$db" "INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, Height,
    Thumbnail, Derivative, ColorRank, DerivativeRank, Old, Noise) SELECT CollectionID, FolderID, FileName, Size,
    Created, Modified, Width, Height, Thumbnail, Derivative, ColorRank, DerivativeRank, Old, Noise FROM Picture
    WHERE ID = 5; INSERT INTO Duplicate (Collection_ID, Left_ID, Right_ID, Difference) VALUES (2, 4, 6, 7631600);"
cp "$db" "$(dirname "$0")/schema1-two-collections.db"
