#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build tree into a scratch prefix, checks that every file lands
# where the desktop expects it, then runs the launchers with stand-in programs
# to check the working folders they prepare in a scratch home.
# usage: check-install.sh BUILD_DIR SOURCE_DIR MODULE_DIR
# (MODULE_DIR: where Anodix looks for its modules, relative to its bin folder)
set -euo pipefail
build="$1"
source="$2"
module_dir="$3"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/usr"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check_file() { [ -f "$prefix/$1" ] || fail "$1 is not installed"; }
check_exe() { [ -x "$prefix/$1" ] || fail "$1 is not installed as an executable"; }

cmake --install "$build" --prefix "$prefix" >/dev/null

echo "-- installed layout"
for program in anodix grideon; do
    check_exe "bin/$program"
    check_exe "bin/$program-launch"
    check_file "share/applications/$program.desktop"
    check_file "share/metainfo/ru.anodix.$program.metainfo.xml"
    if [ -f "$source/$program/assets/$program.svg" ]; then
        check_file "share/icons/hicolor/scalable/apps/$program.svg"
    fi
    entry="$prefix/share/applications/$program.desktop"
    [ -f "$entry" ] || continue
    grep -qx "Exec=$program-launch" "$entry" || fail "$program.desktop does not start $program-launch"
    grep -qx "Icon=$program" "$entry" || fail "$program.desktop does not name the icon $program"
    grep -qx "Categories=Education;Engineering;" "$entry" || fail "$program.desktop has other categories"
    grep -q '^Name\[ru\]=' "$entry" || fail "$program.desktop has no Russian name"
    grep -q '^Comment\[ru\]=' "$entry" || fail "$program.desktop has no Russian comment"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$entry" || fail "$program.desktop does not validate"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net --pedantic \
            "$prefix/share/metainfo/ru.anodix.$program.metainfo.xml" >/dev/null ||
            fail "ru.anodix.$program.metainfo.xml does not validate"
    fi
done
# Anodix's modules, where the program looks for them, each taking from the
# program every symbol of the project's own that it calls.
for name in anodix_harakteristiki anodix_printdialog; do
    module="$prefix/bin/$module_dir/lib$name.so"
    if [ ! -f "$module" ]; then
        fail "the module $name is not installed at bin/$module_dir"
    elif command -v nm >/dev/null; then
        missing="$(comm -23 <(nm -D --undefined-only "$module" | awk '/6anodix/ {print $2}' | sort -u) \
                            <(nm -D --defined-only "$prefix/bin/anodix" | awk '{print $3}' | sort -u))"
        [ -z "$missing" ] || fail "anodix does not export what $name calls: $missing"
    fi
done
check_file "share/doc/anodix/copyright"
grep -qx 'License: GPL-3+' "$prefix/share/doc/anodix/copyright" 2>/dev/null ||
    fail "share/doc/anodix/copyright does not state the licence"
if command -v gzip >/dev/null; then
    gzip -t "$prefix/share/doc/anodix/changelog.gz" 2>/dev/null ||
        fail "share/doc/anodix/changelog.gz is missing or no gzip file"
fi
for program in anodix grideon; do
    grep -q '<project_license>GPL-3.0-or-later</project_license>' \
        "$prefix/share/metainfo/ru.anodix.$program.metainfo.xml" 2>/dev/null ||
        fail "ru.anodix.$program.metainfo.xml does not name the project licence"
done
if [ -d "$source/data/bd" ]; then
    diff -r "$source/data/bd" "$prefix/share/anodix/bd" >/dev/null ||
        fail "share/anodix/bd differs from data/bd"
    [ -f "$prefix/share/anodix/bd/tetrod/EL34.limits" ] || fail "the ratings beside the records are not installed"
    if find "$prefix/share/anodix/bd" -type f -perm /022 | grep -q .; then
        fail "shared tube records are writable by group or others"
    fi
fi

echo "-- launchers"
# Stand-ins record the folder they were started in instead of opening a window.
for program in anodix grideon; do
    # shellcheck disable=SC2016  # $HOME is for the stand-in to expand
    printf '#!/bin/sh\npwd > "$HOME/%s.ran"\n' "$program" > "$prefix/bin/$program"
    chmod +x "$prefix/bin/$program"
done
shared="$prefix/share/anodix/bd"
mkdir -p "$shared/triod" "$shared/pentod"
rm -rf "$shared/tetrod"
printf '6,3\r\n0,3\r\n' > "$shared/triod/6Н2П test.lamp"
printf '6.3\r\n0.3\r\n' > "$shared/pentod/EF86.lamp"
printf 'pa_max_w = 1\n' > "$shared/triod/6Н2П test.limits"
chmod 444 "$shared/triod/6Н2П test.lamp"

export HOME="$scratch/home with space"
mkdir -p "$HOME"
# Started through a symbolic link, as a menu or PATH entry may do.
ln -s "$prefix/bin/anodix-launch" "$scratch/anodix-link"
"$scratch/anodix-link"
work="$HOME/Anodix"
[ "$(cat "$HOME/anodix.ran" 2>/dev/null)" = "$work" ] || fail "anodix was not started in ~/Anodix"
for class in triod pentod; do
    diff -r "$shared/$class" "$work/bd/$class" >/dev/null ||
        fail "first start did not copy the bundled $class records"
done
[ -f "$work/bd/triod/6Н2П test.limits" ] || fail "the ratings beside a record were not copied with it"
[ -d "$work/bd/tetrod" ] || fail "a record folder missing from the shared data was not created"
# Checked on the mode bits, since root (as in CI) may write anything.
find "$work/bd/triod/6Н2П test.lamp" -perm -u+w | grep -q . || fail "copied records are not writable by the user"

# The user's changes survive later starts: edits stay, deletions stay deleted.
printf '12,6\r\n0,15\r\n' > "$work/bd/triod/6Н2П test.lamp"
rm "$work/bd/pentod/EF86.lamp"
rm "$HOME/anodix.ran"
before="$(find "$work/bd" | sort)"
"$prefix/bin/anodix-launch"
[ -f "$HOME/anodix.ran" ] || fail "the second start did not run anodix"
[ "$(head -n 1 "$work/bd/triod/6Н2П test.lamp")" = $'12,6\r' ] || fail "a later start overwrote an edited record"
[ ! -e "$work/bd/pentod/EF86.lamp" ] || fail "a later start brought back a deleted record"
[ "$(find "$work/bd" | sort)" = "$before" ] || fail "a later start changed the set of files under bd"

# A copy cut short leaves only a scratch folder, which the next start redoes.
rm -rf "$work/bd/triod"
mkdir "$work/bd/.triod.cutshort"
"$prefix/bin/anodix-launch"
diff -r "$shared/triod" "$work/bd/triod" >/dev/null || fail "an interrupted first copy was not redone"
[ ! -e "$work/bd/.triod.cutshort" ] || fail "the scratch folder of an interrupted copy was left behind"

"$prefix/bin/grideon-launch"
[ "$(cat "$HOME/grideon.ran" 2>/dev/null)" = "$HOME/Grideon" ] || fail "grideon was not started in ~/Grideon"
printf '1\r\n' > "$HOME/Grideon/data.dat"
"$prefix/bin/grideon-launch"
[ "$(cat "$HOME/Grideon/data.dat")" = $'1\r' ] || fail "a later start changed Grideon's data.dat"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all install and launcher checks passed"
