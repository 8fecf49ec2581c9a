#!/usr/bin/env bash
# Every marked text of the sources must be in po/default.pot and translated (not fuzzy) in each
# shipped catalog, with the same format directives as its English text.
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
[ $status -eq 0 ] && echo "catalogs complete: $(ls po/*.po | wc -l) languages, $(grep -c '^msgid "' "$work/sources.pot") entries"
exit $status
