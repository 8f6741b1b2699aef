# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Helpers shared by run.sh, test.sh and fuzz.sh: repository paths, package installs, builds.
# Sourced, not run.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-2}"

say() { printf '==> %s\n' "$*"; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Run a command as root: directly when we are root, through sudo otherwise.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        die "need root to run '$*' and sudo is not installed; run it as root once"
    fi
}

# Install whichever of the given Debian packages are missing. The package
# lists are refreshed once per call and only when something is missing.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        if [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" != installed ]; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    command -v apt-get >/dev/null 2>&1 ||
        die "missing packages: ${missing[*]} (install them; apt-get was not found)"
    say "installing missing packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update -q
    as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Packages the programs need to build and to run.
# shellcheck disable=SC2034  # used by the scripts that source this file
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev qt6-charts-dev
                libqt6opengl6-dev libboost-dev libeigen3-dev
                qt6-translations-l10n fonts-liberation)

# Packages the tests need beyond those: ngspice runs the exported netlists.
# shellcheck disable=SC2034
TEST_PACKAGES=(ngspice)

# configure_build DIR ARGS... — configure a Ninja build tree once, then reuse it.
configure_build() {
    local dir="$1"; shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@"
}

build() {
    cmake --build "$1" -j "$JOBS" "${@:2}"
}
