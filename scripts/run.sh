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

# The working folder keeps what the user changed: bundled records are copied
# only where no file of that name exists yet.
mkdir -p "$work"
if [ -d "$ROOT/data/bd" ]; then
    cp -R --no-clobber "$ROOT/data/bd" "$work/"
else
    say "warning: data/bd is missing; starting without the bundled tube database"
fi

exe="$release/$program/$program"
[ -x "$exe" ] || exe="$(find "$release" -type f -name "$program" -perm -u+x | head -n 1)"
[ -x "${exe:-}" ] || die "the build produced no '$program' executable"

say "starting $program in build/work"
cd "$work"
exec "$exe"
