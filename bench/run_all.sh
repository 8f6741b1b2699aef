#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark and prints one Markdown table, with the machine it ran
# on. Usage: bench/run_all.sh <folder of the bench executables>
# (the `bench_all` target passes its own). Build in Release for figures to quote.
set -eu
bin=${1:?usage: run_all.sh <folder of the bench executables>}
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "Machine: ${cpu:-unknown CPU}, $(nproc) cores; Qt $(qtpaths6 --qt-version 2>/dev/null || echo 6); offscreen platform"
echo "Start-up: wall time from spawn to first paint, fresh processes, interleaved with the bare window."
echo "In-process figures: CPU time of the benchmark thread (nothing in them waits, so an idle machine"
echo "shows the same wall time); wall time is given beside the window figures."
echo
"$bin/bench_startup"
"$bin/bench_calculations" --no-header
"$bin/bench_analysis" --no-header
"$bin/bench_response" --no-header
"$bin/bench_fit" --no-header
"$bin/bench_records" --no-header 2>/dev/null
"$bin/bench_charts" --no-header
"$bin/bench_supply" --no-header
