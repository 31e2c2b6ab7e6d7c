#!/usr/bin/env bash
# Runs shell_namespace_test.exe, window_guard_test.exe, fonts_test.exe and
# palette_test.exe of one build under Wine on the harness's private Xvfb and
# Wine prefix (the context menu and the guard's windows need a display; a
# 32-bit build runs under Wine's 32-bit half).
# Prepares the folders it lists in the run's folder; the harness removes
# them, stops that prefix's wineserver and the X server afterwards.
#
# Usage: tests/wine/shell_namespace.sh [win64|win32]   (default win64)
# Settings: SHELL_TEST_LIMIT (seconds each program may run, default 120, 300
# for win32), E2E_KEEP=1 (keep the folders).
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"
cd "$QZ_ROOT" || exit 1

build=${1:-win64}
program=build/$build/tests/wine/shell_namespace_test.exe
guard=build/$build/tests/wine/window_guard_test.exe
fonts=build/$build/tests/wine/fonts_test.exe
palette=build/$build/tests/wine/palette_test.exe
limit=${SHELL_TEST_LIMIT:-120}
[ "$build" = win32 ] && limit=${SHELL_TEST_LIMIT:-300}
if [ ! -f "$program" ] || [ ! -f "$guard" ] || [ ! -f "$fonts" ] || [ ! -f "$palette" ]; then
    echo "no $program, $guard, $fonts or $palette: build the $build preset first"
    echo "0 passed, 1 failed"
    exit 1
fi

e2e_init || { echo "0 passed, 1 failed"; exit 1; }
root=$E2E_WORK/folders
mkdir -p "$root/prepared/a/inner" "$root/prepared/b" "$root/prepared/.hidden" "$root/gone/inner" "$root/many"
echo text >"$root/prepared/f.txt"
(cd "$root/many" && for i in $(seq 0 999); do printf 'd%04d\n' "$i"; done | xargs mkdir)

# run_program <log> <program> [argument]: runs it, keeps its output; its status.
run_program() {
    local log=$1 status
    shift
    QZ_WINE_TIMEOUT=$limit qz_wine "$@" | tee "$log"
    status=${PIPESTATUS[0]}
    [ "$status" -eq 124 ] && echo "$1 did not end within $limit s"
    if ! tail -n1 "$log" | tr -d '\r' | grep -qE '^[0-9]+ passed, [0-9]+ failed$'; then
        echo "$1 ended (status $status) without its count"
        echo "0 passed, 1 failed" >>"$log"
    fi
    return "$status"
}

run_program "$E2E_WORK/shell.log" "$program" "$(windows_path "$root")"
status=$?
run_program "$E2E_WORK/guard.log" "$guard"
[ $? -eq 0 ] || status=1
run_program "$E2E_WORK/fonts.log" "$fonts"
[ $? -eq 0 ] || status=1
# Only a 32-bit build: what the driver relies on to reach a 32-bit program's
# memory from its 64-bit self.
if [ "$build" = win32 ]; then
    remote=build/win32/tests/wine/remote_memory_test.exe
    e2e_start "$E2E_WORK" "$remote" --serve
    server=$E2E_PID
    e2e_drive window --class QzRemoteMemory --hidden --timeout-ms 240000 >/dev/null
    shift=$(e2e_memory_shift "$server" "$remote")
    echo "qemu's guest base for the 32-bit program: 0x$shift"
    QZDRIVE_MEMORY_SHIFT=$shift run_program "$E2E_WORK/remote.log" build/win64/tests/wine/remote_memory_test.exe
    [ $? -eq 0 ] || status=1
    e2e_wait_exit 20000 "$server" || status=1
fi
# The palette path on a display of 8 bits per pixel. A colormap of the
# program's own, as Windows gives a palette device 236 free entries; in the
# shared one Wine finds room for only some of them. The prefix's programs
# and server end first: its desktop process holds the display it was made
# on, and a program started while that one was still going away took the
# old display's 32 bits per pixel (seen under qemu, where starts are slow).
e2e_prefix_stop
e2e_xvfb_stop
e2e_xvfb_start 1024x768x8 || { echo "no display of depth 8"; exit 1; }
e2e_registry_import '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"PrivateColorMap"="Y"'
run_program "$E2E_WORK/palette.log" "$palette"
[ $? -eq 0 ] || status=1
# One count for the tier: the programs' counts added.
tail -qn1 "$E2E_WORK"/{shell,guard,fonts,remote,palette}.log 2>/dev/null | tr -d '\r' |
    awk '{ passed += $1; failed += $3 } END { printf "%d passed, %d failed\n", passed, failed }'
# A failed run keeps its folders for a look.
[ "$status" -eq 0 ] || E2E_FAILED=1
exit "$status"
