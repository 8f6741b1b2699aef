#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything with the tests and runs them twice: a plain Debug build
# (build/test), then under AddressSanitizer and UndefinedBehaviorSanitizer
# (build/asan), where any sanitizer report fails the test that caused it.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

summary="$ROOT/build/test-summary.txt"
mkdir -p "$ROOT/build"
: > "$summary"
started=$SECONDS
status=0

# run_suite NAME DIR — runs ctest in DIR, records "NAME passed failed".
run_suite() {
    local name="$1" dir="$2" log="$2/ctest.log" line passed=0 failed=0 total
    say "running the tests ($name)"
    set +e
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$JOBS" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    set -e
    line="$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)"
    if [ -n "$line" ]; then
        failed="$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")"
        total="$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")"
        passed=$((total - failed))
    fi
    # ctest failing without a summary line (no tests, a crash of ctest) still fails.
    if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
    echo "$name $passed $failed" >> "$summary"
    [ "$rc" -eq 0 ] || status=1
}

step_start=$SECONDS
say "building Debug with tests in build/test"
configure_build "$ROOT/build/test" -DCMAKE_BUILD_TYPE=Debug \
    -DANODIX_BUILD_TESTS=ON -DANODIX_BUILD_BENCH=ON -DANODIX_SANITIZE=OFF
build "$ROOT/build/test"
run_suite debug "$ROOT/build/test"
debug_time=$((SECONDS - step_start))

step_start=$SECONDS
say "building with AddressSanitizer and UndefinedBehaviorSanitizer in build/asan"
configure_build "$ROOT/build/asan" -DCMAKE_BUILD_TYPE=Debug \
    -DANODIX_BUILD_TESTS=ON -DANODIX_BUILD_BENCH=OFF -DANODIX_SANITIZE=ON
build "$ROOT/build/asan"
# Any report ends the test process with a failure; leaks count. The suppressions
# cover only Qt's and fontconfig's own lifetime caches, never our code.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:check_initialization_order=1:exitcode=23"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=24"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0:exitcode=23"
run_suite sanitizers "$ROOT/build/asan"
asan_time=$((SECONDS - step_start))

total_passed=0
total_failed=0
echo
say "summary ($(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s)"
while read -r name passed failed; do
    case "$name" in
        debug) t=$debug_time ;;
        *) t=$asan_time ;;
    esac
    printf '  %-12s %4d passed, %d failed   (build and run %d s)\n' "$name" "$passed" "$failed" "$t"
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
done < "$summary"
echo "total $total_passed $total_failed" >> "$summary"
if [ "$status" -ne 0 ]; then
    echo "FAILED: see the test output above"
else
    echo "all tests passed"
fi
echo "tests: $total_passed passed, $total_failed failed"
exit "$status"
