#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Anodix from the desktop menu in the user's working folder ~/Anodix.
# Anodix reads and writes its tube records under ./bd, so on first use each
# record folder is filled with the bundled records; once a folder exists it
# belongs to the user and is never touched again (edited records stay edited,
# deleted ones stay deleted).
set -eu

here=$(dirname "$(readlink -f "$0")")
shared="$here/../share/anodix/bd"
work="$HOME/Anodix"

for class in triod pentod tetrod kenotron; do
    target="$work/bd/$class"
    [ -d "$target" ] && continue
    mkdir -p "$work/bd"
    # Fill a scratch folder and rename it, so an interrupted copy is redone
    # on the next start instead of leaving a half-filled folder behind.
    rm -rf "$work/bd/.$class".*
    scratch=$(mktemp -d "$work/bd/.$class.XXXXXX")
    if [ -d "$shared/$class" ]; then
        for record in "$shared/$class"/*; do
            [ -f "$record" ] && cp "$record" "$scratch/"
        done
        chmod -R u+rw "$scratch"
    fi
    chmod 755 "$scratch"
    mv "$scratch" "$target"
done

cd "$work"
exec "$here/anodix"
