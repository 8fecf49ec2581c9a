#!/usr/bin/env bash
# Dependencies run one way: the program (src/app) → the feature windows → what every window
# shares (src/ui) → the core. Fails on an include that points back up.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
report() {
    if [ -n "$2" ]; then
        echo "$1:" >&2
        echo "$2" >&2
        status=1
    fi
}
report "The program's own headers included outside src/app and tests/app" \
    "$(grep -rn --include='*.cpp' --include='*.h' '#include "app/' src tests | grep -v -e '^src/app/' -e '^tests/app/')"
report "Feature windows included by what every window shares (src/ui)" \
    "$(grep -rnE '#include "(runs|review|log|settings)/[a-z]*window\.h"' src/ui)"
report "Widgets included by the core's engines and store" \
    "$(grep -rnE '#include <Q(Widget|Dialog|MessageBox|Application|Label|PushButton)>' src/store src/imaging src/i18n src/cli \
        src/runs/duplicatescan.* src/runs/thumbnailrun.* src/runs/picturereader.* src/runs/filelist.* \
        src/review/pairlist.* src/review/pairtable.* src/review/pairgroups.* src/review/pairfilter.* \
        src/review/pairthumbnail.* src/review/fileoperation.h src/review/targetpath.* src/review/panegeometry.*)"
[ $status -eq 0 ] && echo "includes run one way"
exit $status
