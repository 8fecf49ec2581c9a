#!/usr/bin/env bash
# Every marked text of the sources must be in po/default.pot and translated (not fuzzy) in each
# shipped catalog, with the same format directives as its English text, and each catalog calls the
# Trash by one name.
set -uo pipefail
cd "$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash scripts/update-po.sh --extract-to "$work/sources.pot" 2>/dev/null || { echo "extraction failed"; exit 1; }
status=0
if ! msgcmp --use-untranslated po/default.pot "$work/sources.pot"; then
    echo "po/default.pot lacks texts of the sources: run scripts/update-po.sh"
    status=1
fi
for catalog in po/*.po; do
    if ! msgcmp "$catalog" "$work/sources.pot"; then
        echo "$catalog: texts of the sources missing, untranslated or fuzzy"
        status=1
    fi
    if ! msgfmt --check -o /dev/null "$catalog"; then
        echo "$catalog: does not compile"
        status=1
    fi
    if ! grep -q '^"Content-Type: text/plain; charset=UTF-8\\n"$' "$catalog"; then
        echo "$catalog: not declared UTF-8"
        status=1
    fi
done
# The program's questions say "Recycle Bin" and the rest of the interface "Trash"; both are the
# desktop's Trash, which each language calls by the one word its desktops use.
trash_word() {
    case "$1" in
        de) echo Papierkorb ;;
        fr) echo corbeille ;;
    esac
}
for catalog in po/*.po; do
    code=$(basename "$catalog" .po)
    word=$(trash_word "$code")
    if [ -z "$word" ]; then
        echo "$catalog: no word for the Trash is known for this language"
        status=1
        continue
    fi
    msggrep --no-wrap -K -E -e 'Recycle Bin|Trash' -o "$work/trash.po" "$catalog"
    if [ "$(grep -c '^msgid "[^"]' "$work/trash.po")" -eq 0 ]; then
        echo "$catalog: no text mentions the Trash"
        status=1
    fi
    odd=$(msgexec -i "$work/trash.po" sh -c '[ -z "$MSGEXEC_MSGID" ] || grep -qi "$0" || echo "  $MSGEXEC_MSGID"' "$word")
    if [ -n "$odd" ]; then
        echo "$catalog: texts about the Trash that do not call it \"$word\":"
        echo "$odd"
        status=1
    fi
done
[ $status -eq 0 ] && echo "catalogs complete: $(ls po/*.po | wc -l) languages, $(grep -c '^msgid "' "$work/sources.pot") entries"
exit $status
