#!/usr/bin/env bash
# Extracts every marked text of src/ and dist/ into po/default.pot and merges it into each
# po/<code>.po. Marks: _("...") and qtr("...") translate at once, qtrFormat("...", {...})
# translates a format text, N_("...") only marks a text that is translated later (window texts,
# tables of texts).
# New texts arrive untranslated; entries whose English changed become fuzzy.
set -euo pipefail
cd "$(dirname "$0")/.."

extract() {
    find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort \
        | xgettext --language=C++ --from-code=UTF-8 --files-from=- \
            -k --keyword=_ --keyword=N_ --keyword=qtr --keyword=qtrFormat:1 \
            --add-comments=TRANSLATORS: --add-location=file --sort-by-file --no-wrap \
            --package-name=Vexaris --package-version=3.0 \
            --output="$1"
    # The desktop entry and the software centre's description, which the build merges the
    # translations into (xgettext knows both formats by their names).
    xgettext --join-existing --from-code=UTF-8 --add-location=file --no-wrap \
        --package-name=Vexaris --package-version=3.0 \
        --output="$1" dist/*.desktop.in dist/*.metainfo.xml.in
}

if [ "${1:-}" = "--extract-to" ]; then
    # Used by the catalog test: the template as the sources would give it now.
    extract "$2"
    exit 0
fi

extract po/default.pot
# The header is the charset declaration the program checks.
sed -i 's/charset=CHARSET/charset=UTF-8/' po/default.pot
for catalog in po/*.po; do
    msgmerge --quiet --update --backup=none --no-wrap --add-location=file --sort-by-file "$catalog" po/default.pot
    # Texts the sources no longer have are dropped rather than kept as comments.
    msgattrib --no-obsolete --no-wrap --add-location=file --sort-by-file -o "$catalog" "$catalog"
done
for catalog in po/*.po; do
    echo "$catalog: $(msgfmt --check --statistics -o /dev/null "$catalog" 2>&1)"
done
