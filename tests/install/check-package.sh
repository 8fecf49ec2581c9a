#!/usr/bin/env bash
# Makes the Debian package of a build, checks it with lintian, unpacks it into a temporary root
# and runs both programs from there as a new user on a system-wide install would: each user gets
# a database of their own, and the delivered one stays untouched.
#   check-package.sh CPACK BUILD_DIR LINTIAN TEST_DATA
set -euo pipefail
cpack=$1 build=$2 lintian=$3 data=$4
work=$(mktemp -d)
desktop=
cleanup() {
    [ -n "$desktop" ] && kill "$desktop" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
status=0
fail() {
    echo "$1"
    status=1
}

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; exit 1; }
package=$(find "$work/out" -maxdepth 1 -name '*.deb')
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ "$(basename "$package")" = "vexaris_${version}_$(dpkg --print-architecture).deb" ] \
    || fail "the package is named $(basename "$package")"

# The dependencies come from the programs' libraries, not from a list.
depends=$(dpkg-deb --field "$package" Depends)
for library in libqt6core6 libqt6widgets6 libsqlite3-0 libjpeg62-turbo; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# Warnings left on purpose are overridden, each with its reason, in the package itself.
"$lintian" --fail-on error,warning --tag-display-limit 0 "$package" >"$work/lintian.log" 2>&1 \
    || { cat "$work/lintian.log"; fail "lintian refuses the package"; }

root=$work/root
dpkg-deb -x "$package" "$root"
folder=$root/usr/lib/vexaris
for program in vexaris vexaris-cli; do
    [ "$(readlink "$root/usr/bin/$program")" = "../lib/vexaris/$program" ] || fail "/usr/bin/$program is no link to it"
done
for file in locale/de/LC_MESSAGES/default.mo Help/index.html; do
    [ -f "$folder/$file" ] || fail "missing from the program's folder: $file"
done
[ "$(stat -c %a "$folder/Vexaris.db")" = 444 ] || fail "the delivered database can be written"
delivered=$(sha256sum <"$folder/Vexaris.db")
[ "$(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.quillmark.Vexaris.desktop")" = /usr/lib/vexaris/vexaris ] \
    || fail "the desktop entry does not start /usr/lib/vexaris/vexaris"

# A user's first command makes their database; a small collection goes through every step.
run_as_user() {
    env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$1" XDG_RUNTIME_DIR="$1" LANG=C.UTF-8 "${@:2}"
}
home=$work/home
pictures=$work/pictures
mkdir -p "$home" "$pictures"
cp "$data/runs/photo-plasma-80x60.jpg" "$pictures/original.jpg"
cp "$data/runs/photo-plasma-80x60.jpg" "$pictures/copy.jpg"
cp "$data/runs/photo-gradient-64x48.jpg" "$pictures/other.jpg"
cli=$root/usr/bin/vexaris-cli
run_as_user "$home" "$cli" create Pictures || fail "create failed"
[ -f "$home/.local/share/vexaris/Vexaris.db" ] || fail "no database of the user's own"
run_as_user "$home" "$cli" add-folder Pictures "$pictures" >/dev/null || fail "add-folder failed"
run_as_user "$home" "$cli" update Pictures >/dev/null || fail "update failed"
run_as_user "$home" "$cli" scan Pictures --method 1 --threshold 10 >/dev/null || fail "scan failed"
pairs=$(run_as_user "$home" "$cli" pairs Pictures)
[ "$(wc -l <<<"$pairs")" = 1 ] && grep -q original.jpg <<<"$pairs" || fail "pairs lists: $pairs"

# The desktop program of a second user starts and makes that user's database.
second=$work/second
mkdir -p "$second"
# Started in place of a subshell of its own, so that its process ID is the one killed at the end.
(exec env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$second" XDG_RUNTIME_DIR="$second" QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/vexaris" >/dev/null 2>"$work/desktop.log") &
desktop=$!
for _ in $(seq 100); do
    [ -f "$second/.local/share/vexaris/Vexaris.db" ] && break
    sleep 0.2
done
[ -f "$second/.local/share/vexaris/Vexaris.db" ] || fail "the desktop program made no database: $(cat "$work/desktop.log")"
sleep 1
kill -0 "$desktop" 2>/dev/null || fail "the desktop program ended: $(cat "$work/desktop.log")"
[ "$(run_as_user "$second" "$cli" collections)" = "" ] || fail "the second user sees the first one's collections"

[ "$(sha256sum <"$folder/Vexaris.db")" = "$delivered" ] || fail "the delivered database was changed"
[ $status -eq 0 ] && echo "packaged, lintian-clean and working: $(basename "$package")"
exit $status
