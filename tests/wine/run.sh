#!/usr/bin/env bash
# Runs the Windows test programs of one build under Wine, in the project's
# own prefix (a 32-bit build under Wine's 32-bit half), and stops that
# prefix's wineserver afterwards.
# Usage: tests/wine/run.sh [win64|win32]   (after scripts/build; default win64)
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QZ_ROOT"

build=${1:-win64}
# Each program prints its own "N passed, M failed" line; the last line adds
# them up (a program that printed none counts as a failure).
counts=$(mktemp)
trap 'qz_wine_stop; rm -f "$counts"' EXIT
program() {  # name arguments...
    local name=$1 log
    shift
    log=$(QZ_WINE_TIMEOUT=300 qz_wine "build/$build/tests/wine/$name.exe" "$@" 2>&1 | tr -d '\r')
    printf '%s\n' "$log"
    grep -E '^[0-9]+ passed, [0-9]+ failed$' <<<"$log" | tail -n1 | grep . >>"$counts" ||
        { echo "$name ended without its count"; echo "0 passed, 1 failed" >>"$counts"; }
}
program vorta_load_test "$(windows_path "dist/$build/vorta.dll")"
program picture_hash_test
# The launcher's own throws of the library's failures say what the library's do.
texts=$(mktemp)
QZ_WINE_TIMEOUT=300 qz_wine "build/$build/tests/wine/throw_texts_library.exe" 2>/dev/null | tr -d '\r' >"$texts"
program throw_texts_launcher "$(windows_path "$texts")"
rm -f "$texts"
awk '{ passed += $1; failed += $3 } END { printf "%d passed, %d failed\n", passed, failed; exit failed > 0 }' "$counts"
