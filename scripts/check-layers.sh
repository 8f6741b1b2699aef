#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Counts the includes that run back up the layers, and names each. The layers,
# top to bottom: shell -> windows -> charts -> supply -> response -> analysis
# -> stages -> tubemodel, tubedb -> forms -> common; Grideon sits on common
# alone, and neither program includes the other. Usage: check-layers.sh [root]
# (default: the repository); exits 1 when any include runs back up.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# The layer of a path under the root ("anodix/stages/cycle.h" -> "anodix 4"),
# or nothing for a path outside the layers.
layer() {
    case $1 in
        common/*) echo "common 1" ;;
        grideon/*) echo "grideon 2" ;;
        anodix/forms/*) echo "anodix 2" ;;
        anodix/tubemodel/* | anodix/tubedb/*) echo "anodix 3" ;;
        anodix/stages/*) echo "anodix 4" ;;
        anodix/analysis/*) echo "anodix 5" ;;
        anodix/response/*) echo "anodix 6" ;;
        anodix/supply/*) echo "anodix 7" ;;
        anodix/charts/*) echo "anodix 8" ;;
        anodix/windows/* | anodix/assets/*) echo "anodix 9" ;;
        anodix/shell/*) echo "anodix 10" ;;
    esac
}

count=0
while IFS= read -r file; do
    from=$(layer "$file")
    [[ -n $from ]] || continue
    read -r program rank <<<"$from"
    while IFS= read -r included; do
        to=$(layer "$included")
        [[ -n $to ]] || continue
        read -r toProgram toRank <<<"$to"
        if { [[ $toProgram != common && $toProgram != "$program" ]]; } || ((toRank > rank)); then
            echo "$file includes $included"
            count=$((count + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find common grideon anodix -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)

echo "upward includes: $count"
((count == 0))
