#!/usr/bin/env bash
# Runs the Windows test programs of the x86_64 build under Wine, in the
# project's own prefix, and stops that prefix's wineserver afterwards.
# Usage: tests/wine/run.sh   (after scripts/build)
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QZ_ROOT"

trap qz_wine_stop EXIT

# Each program prints its own "N passed, M failed" line.
QZ_WINE_TIMEOUT=120 qz_wine build/win64/tests/wine/vorta_load_test.exe "$(windows_path dist/win64/vorta.dll)"
