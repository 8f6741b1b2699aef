#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets of fuzz/ with clang into build/fuzz and runs each
# for a while. Usage: scripts/fuzz.sh [seconds-per-target]   (default 30)
# Fails when any target crashes or breaks one of its invariants; the input that
# did it is kept under build/fuzz/crashes/<target>/.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seconds=${1:-30}
root=$ROOT
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
targets=(numbertext tuberecord tuberecordfile tubelimits datafile leadingnumber stages response simulation kenotron measurements modelfile)

# Only the fuzzers need clang and its sanitizer runtime; the tests build with g++.
ensure_packages cmake ninja-build qt6-base-dev clang-14 libclang-rt-14-dev

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -- -j"$(nproc)"

# A small quarantine still catches a use after free, and keeps the fuzzers
# from growing to a gigabyte and slowing down on a long run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:quarantine_size_mb=16}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
declare -A executions
for target in "${targets[@]}"; do
    # New inputs go to the working corpus in the build folder; the seeds in
    # fuzz/corpus stay as we wrote them.
    work="$build/corpus/$target"
    crashes="$build/crashes/$target"
    mkdir -p "$work" "$crashes"
    log="$build/$target.log"
    echo "== $target: ${seconds}s"
    if "$build/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$crashes/" "$work" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
        :
    else
        failed+=("$target")
        grep -E "ERROR|invariant broken|runtime error|Test unit written" "$log" | head -20 \
            || tail -n 5 "$log"
    fi
    executions[$target]=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
done

echo
printf '| Fuzz target | Seconds | Executions | Result |\n|---|---|---|---|\n'
for target in "${targets[@]}"; do
    result=clean
    [[ " ${failed[*]} " == *" $target "* ]] && result="**failed** (see $build/$target.log)"
    printf '| %s | %s | %s | %s |\n' "$target" "$seconds" "${executions[$target]:-?}" "$result"
done

((${#failed[@]} == 0))
