#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layer check against small trees of one include each: it must count the
# includes that run back up, and only those.
set -uo pipefail
check=$(cd "$(dirname "$0")/../../scripts" && pwd)/check-layers.sh
failures=0

# file, the header it includes, the count the check must give.
rows=(
    "anodix/tubedb/editor.cpp      anodix/stages/numbertext.h  1"
    "anodix/tubedb/editor.cpp      anodix/windows/calcwindow.h 1"
    "anodix/supply/supply.cpp      anodix/charts/plot.h        1"
    "anodix/stages/cycle.cpp       anodix/analysis/ratings.h   1"
    "anodix/forms/dialogs.cpp      anodix/tubedb/tuberecord.h  1"
    "common/numbertext.cpp         anodix/forms/dialogs.h      1"
    "common/numbertext.cpp         grideon/stagecalc.h         1"
    "grideon/form1.cpp             anodix/forms/formlayout.h   1"
    "anodix/shell/main.cpp         grideon/form1.h             1"
    "anodix/shell/application.cpp  anodix/windows/triod.h      0"
    "anodix/windows/triod.cpp      anodix/charts/companion.h   0"
    "anodix/stages/cycle.cpp       anodix/tubemodel/tubemodel.h 0"
    "anodix/tubedb/modelstore.cpp  anodix/tubemodel/modelfile.h 0"
    "anodix/tubedb/tuberecord.h    common/durablewriter.h      0"
    "grideon/savedinputs.cpp       common/durablewriter.h      0"
    "anodix/charts/module.cpp      module.moc                  0"
)

for row in "${rows[@]}"; do
    read -r file included expected <<<"$row"
    tree=$(mktemp -d)
    mkdir -p "$tree/$(dirname "$file")"
    printf '// a file\n#include "%s"\n#include <QString>\n' "$included" >"$tree/$file"
    output=$(bash "$check" "$tree")
    status=$?
    rm -rf "$tree"
    got=$(sed -n 's/^upward includes: //p' <<<"$output")
    if [[ $got != "$expected" ]] || { ((expected > 0)) && ((status == 0)); } || { ((expected == 0)) && ((status != 0)); }; then
        echo "FAIL: $file including $included: counted '$got' (exit $status), expected $expected"
        failures=$((failures + 1))
    fi
done

echo "$((${#rows[@]} - failures)) of ${#rows[@]} rows passed"
((failures == 0))
