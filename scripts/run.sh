#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the programs (Release) and starts Anodix, or Grideon with the argument
# "grideon", in the working folder build/work that holds the bundled tube database.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

program="${1:-anodix}"
case "$program" in
    anodix|grideon) ;;
    -h|--help) echo "usage: scripts/run.sh [anodix|grideon]"; exit 0 ;;
    *) die "unknown program '$program'; usage: scripts/run.sh [anodix|grideon]" ;;
esac

# Both programs are windowed; without a display there is nothing to show them on.
# Checked first so that nobody waits for a build that cannot be seen.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] &&
   [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<MSG
error: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).
$program is a desktop program and needs a graphical session. Either:
  - run scripts/run.sh from a terminal inside your desktop session, or
  - connect with X forwarding (ssh -X) and run it again, or
  - run it on a virtual display: xvfb-run scripts/run.sh $program
    (apt-get install xvfb first; the window is then not visible).
MSG
    exit 2
fi

ensure_packages "${BUILD_PACKAGES[@]}"

release="$ROOT/build/release"
work="$ROOT/build/work"

say "building Release in build/release"
configure_build "$release" -DCMAKE_BUILD_TYPE=Release \
    -DANODIX_BUILD_TESTS=OFF -DANODIX_BUILD_BENCH=OFF >/dev/null
build "$release" --target "$program"

# The working folder keeps what the user changed: as the installed launcher
# does, a record folder is filled from the bundled database only while it does
# not exist, so edited records stay edited and deleted ones stay deleted.
mkdir -p "$work"
if [ -d "$ROOT/data/bd" ]; then
    for class in triod pentod tetrod kenotron; do
        target="$work/bd/$class"
        [ -d "$target" ] && continue
        mkdir -p "$work/bd"
        # Filled under another name and renamed, so an interrupted copy is
        # redone on the next run instead of leaving a half-filled folder.
        rm -rf "$work/bd/.$class".*
        scratch="$(mktemp -d "$work/bd/.$class.XXXXXX")"
        if [ -d "$ROOT/data/bd/$class" ]; then
            cp -R "$ROOT/data/bd/$class/." "$scratch/"
        fi
        chmod 755 "$scratch"
        mv "$scratch" "$target"
    done
else
    say "warning: data/bd is missing; starting without the bundled tube database"
fi

exe="$release/$program/$program"
[ -x "$exe" ] || exe="$(find "$release" -type f -name "$program" -perm -u+x | head -n 1)"
[ -x "${exe:-}" ] || die "the build produced no '$program' executable"

say "starting $program in build/work"
cd "$work"
exec "$exe"
