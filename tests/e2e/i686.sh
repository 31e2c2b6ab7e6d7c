#!/usr/bin/env bash
# The shipped launcher, the i686 build, end to end under Wine's 32-bit half:
# the x86_64 build's own scenarios, run with dist/win32/qz.exe. Where the
# kernel runs 32-bit programs itself, every scenario runs whole. Where qemu
# runs the 32-bit Wine, each start of a 32-bit program costs about a minute,
# so the scenarios run whole where they start the launcher once (the install
# zones and the whole road, the settings panel and the restore, the whole
# road from the disc, the planting scenario's older ways), and the main
# window's only with the parts that show
# what a 32-bit build could get wrong: the window, its picture, the exit
# zone, a second start handing over.
#
# Usage: tests/e2e/i686.sh   (after scripts/build)
# Ends with "N passed, M failed", the scenarios' counts added.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QZ_ROOT" || exit 1

export QZ_EXE=$QZ_ROOT/dist/win32/qz.exe
export E2E_START_MS=${E2E_START_MS:-240000}
export E2E_DRIVE_LIMIT=${E2E_DRIVE_LIMIT:-300}
[ -f "$QZ_EXE" ] || { echo "i686: no $QZ_EXE: run scripts/build first"; echo "0 passed, 1 failed"; exit 1; }

counts=$(mktemp)
trap 'rm -f "$counts"' EXIT
status=0
# scenario NAME [PARTS]: runs tests/e2e/NAME with those parts and keeps its
# closing count; one without it counts as a failure.
scenario() {
    local name=$1 parts=${2:-} log
    log=$(mktemp)
    say "$name${parts:+ (parts: $parts)} with the i686 launcher"
    E2E_PARTS=$parts "tests/e2e/$name" 2>&1 | tr -d '\r' | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -n1 | grep . >>"$counts" ||
        { echo "$name ended without its count"; echo "0 passed, 1 failed" >>"$counts"; }
    rm -f "$log"
}

if qz_32bit_emulated; then
    say "32-bit programs run under qemu: the scenarios that start the launcher once, and a part of the main window's"
    scenario main_window.sh second-start
    scenario installers.sh
    scenario restore.sh
    scenario disc.sh
    # The restricted search is the shipped build's, on the whole road above.
    scenario planting.sh "vista 2000 dot-local control"
else
    say "32-bit programs run natively: every scenario whole"
    for name in main_window.sh restore.sh installers.sh planting.sh disc.sh folders.sh reliability.sh; do
        scenario "$name"
    done
fi

awk '{ passed += $1; failed += $3 } END { printf "%d passed, %d failed\n", passed, failed; exit failed > 0 }' "$counts" &&
    [ "$status" -eq 0 ]
