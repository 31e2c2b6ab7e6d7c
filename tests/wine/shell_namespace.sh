#!/usr/bin/env bash
# Runs shell_namespace_test.exe (the x86_64 build) under Wine on the
# harness's private Xvfb and Wine prefix (its context menu needs a display).
# Prepares the folders it lists in the run's folder; the harness removes
# them, stops that prefix's wineserver and the X server afterwards.
#
# Usage: tests/wine/shell_namespace.sh [PROGRAM]
#   PROGRAM  default build/win64/tests/wine/shell_namespace_test.exe
# Settings: SHELL_TEST_LIMIT (seconds the program may run, default 120),
# E2E_KEEP=1 (keep the folders).
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/tests/e2e/harness.sh"
cd "$QZ_ROOT" || exit 1

program=${1:-build/win64/tests/wine/shell_namespace_test.exe}
limit=${SHELL_TEST_LIMIT:-120}
if [ ! -f "$program" ]; then
    echo "no $program: build the win64 preset first"
    echo "0 passed, 1 failed"
    exit 1
fi

e2e_init || { echo "0 passed, 1 failed"; exit 1; }
root=$E2E_WORK/folders
mkdir -p "$root/prepared/a/inner" "$root/prepared/b" "$root/prepared/.hidden" "$root/gone/inner" "$root/many"
echo text >"$root/prepared/f.txt"
(cd "$root/many" && for i in $(seq 0 999); do printf 'd%04d\n' "$i"; done | xargs mkdir)

output=$E2E_WORK/output.log
QZ_WINE_TIMEOUT=$limit qz_wine "$program" "$(windows_path "$root")" | tee "$output"
status=${PIPESTATUS[0]}
if [ "$status" -eq 124 ]; then
    echo "the program did not end within $limit s"
fi
if ! tail -n1 "$output" | tr -d '\r' | grep -qE '^[0-9]+ passed, [0-9]+ failed$'; then
    echo "the program ended (status $status) without its count"
    echo "0 passed, 1 failed"
fi
# A failed run keeps its folders for a look.
[ "$status" -eq 0 ] || E2E_FAILED=1
exit "$status"
