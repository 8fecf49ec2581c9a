#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a user and the desktop find there.
#   check-install.sh CMAKE BUILD_DIR DESKTOP_FILE_VALIDATE APPSTREAMCLI
set -euo pipefail
cmake=$1 build=$2 validate_desktop=$3 appstreamcli=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
id=org.quillmark.Vexaris
status=0
fail() {
    echo "$1"
    status=1
}

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }

# The program's folder, kept together.
folder=$prefix/lib/vexaris
for file in vexaris vexaris-cli Vexaris.db locale/de/LC_MESSAGES/default.mo locale/fr/LC_MESSAGES/default.mo \
    Help/index.html Help/style.css Help/mainwindow.png; do
    [ -f "$folder/$file" ] || fail "missing from the program's folder: $file"
done
for program in vexaris vexaris-cli; do
    [ -x "$folder/$program" ] || fail "not executable: $program"
    [ "$(readlink -f "$prefix/bin/$program")" = "$(readlink -f "$folder/$program")" ] \
        || fail "bin/$program does not lead to the program's folder"
done

# What the desktop reads.
entry=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
for file in "$entry" "$metainfo" "$prefix/share/icons/hicolor/scalable/apps/$id.svg" \
    "$prefix/share/icons/hicolor/32x32/apps/$id.png"; do
    [ -f "$file" ] || fail "not installed: ${file#"$prefix"/}"
done
"$validate_desktop" "$entry" || fail "desktop-file-validate refuses the desktop entry"
"$appstreamcli" validate --no-net "$metainfo" || fail "appstreamcli refuses the metainfo"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ "$exec_line" = "$folder/vexaris" ] || fail "the desktop entry starts '$exec_line'"
grep -q '^Comment\[de\]=' "$entry" && grep -q '^Comment\[fr\]=' "$entry" \
    || fail "the desktop entry lacks the German or French comment"
grep -q '<summary xml:lang="de">' "$metainfo" && grep -q '<summary xml:lang="fr">' "$metainfo" \
    || fail "the metainfo lacks the German or French summary"

# Started through its link, the command line finds the database beside the program, and a
# second installation leaves the collections in it alone.
"$prefix/bin/vexaris-cli" create "Family pictures" >/dev/null || fail "the installed database cannot be written"
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
[ "$("$prefix/bin/vexaris-cli" collections)" = "Family pictures" ] || fail "installing again lost the collections"

[ $status -eq 0 ] && echo "installed and valid: ${prefix#"$work"/}"
exit $status
