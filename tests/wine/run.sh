#!/usr/bin/env bash
# Runs the Windows test programs of one build under Wine, in the project's
# own prefix (a 32-bit build under Wine's 32-bit half), and stops that
# prefix's wineserver afterwards.
# Usage: tests/wine/run.sh [win64|win32]   (after scripts/build; default win64)
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QZ_ROOT"

build=${1:-win64}
trap qz_wine_stop EXIT

# Each program prints its own "N passed, M failed" line.
QZ_WINE_TIMEOUT=300 qz_wine "build/$build/tests/wine/vorta_load_test.exe" "$(windows_path "dist/$build/vorta.dll")"
