#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Grideon from the desktop menu in the user's working folder ~/Grideon,
# where it keeps its last inputs in data.dat.
set -eu

here=$(dirname "$(readlink -f "$0")")
work="$HOME/Grideon"

mkdir -p "$work"
cd "$work"
exec "$here/grideon"
