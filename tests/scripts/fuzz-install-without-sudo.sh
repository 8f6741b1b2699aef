#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/fuzz.sh run by a user who is not root, on a machine without sudo and
# without its packages, must stop with a message that says so, before building.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
stubs="$(mktemp -d)"
trap 'rm -rf "$stubs"' EXIT

# Only these commands exist: the script's own needs, a non-root id, no package installed.
for tool in dirname mktemp; do ln -s "$(command -v "$tool")" "$stubs/$tool"; done
printf '#!%s\necho 1000\n' "$BASH" > "$stubs/id"
printf '#!%s\necho not-installed\n' "$BASH" > "$stubs/dpkg-query"
printf '#!%s\nexit 0\n' "$BASH" > "$stubs/apt-get"
chmod +x "$stubs/id" "$stubs/dpkg-query" "$stubs/apt-get"

set +e
output="$(PATH="$stubs" "$BASH" "$root/scripts/fuzz.sh" 1 2>&1)"
status=$?
set -e
echo "$output"
[ "$status" -ne 0 ] || { echo "FAIL: fuzz.sh went on without its packages"; exit 1; }
grep -q "sudo is not installed" <<<"$output" || { echo "FAIL: no message about the missing sudo"; exit 1; }
! grep -q "command not found" <<<"$output" || { echo "FAIL: fuzz.sh ran a command that is not there"; exit 1; }
echo "PASS"
