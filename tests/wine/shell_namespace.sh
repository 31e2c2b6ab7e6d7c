#!/usr/bin/env bash
# Runs shell_namespace_test.exe (the x86_64 build) under Wine, in the
# project's prefix, on a private Xvfb (its context menu needs a display).
# Prepares the folders it lists in a new folder under build/, and removes
# them, stops that prefix's wineserver and the X server afterwards.
#
# Usage: tests/wine/shell_namespace.sh [PROGRAM]
#   PROGRAM  default build/win64/tests/wine/shell_namespace_test.exe
# Settings: QZ_WINEPREFIX (another prefix), SHELL_TEST_LIMIT (seconds the
# program may run, default 120), SHELL_TEST_KEEP=1 (keep the folders).
#
# The clean-up functions run from the EXIT trap:
# shellcheck source-path=SCRIPTDIR/../.. disable=SC2317
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QZ_ROOT" || exit 1

program=${1:-build/win64/tests/wine/shell_namespace_test.exe}
limit=${SHELL_TEST_LIMIT:-120}
work=
xvfb_pid=

now_ms() { date +%s%3N; }

# Ends a child of this shell: TERM, then KILL after GRACE_MS; reaps it.
stop_child() {
    local pid=$1 grace=${2:-5000} deadline
    kill -TERM "$pid" 2>/dev/null
    deadline=$(($(now_ms) + grace))
    while kill -0 "$pid" 2>/dev/null; do
        if [ "$(now_ms)" -ge "$deadline" ]; then
            kill -KILL "$pid" 2>/dev/null
            break
        fi
        sleep 0.05
    done
    wait "$pid" 2>/dev/null
}

cleanup() {
    qz_wine_stop
    WINEPREFIX=$QZ_WINEPREFIX timeout 30 "$QZ_WINESERVER" -w 2>/dev/null
    [ -n "$xvfb_pid" ] && stop_child "$xvfb_pid"
    if [ -n "$work" ] && [ "${SHELL_TEST_KEEP:-0}" != 1 ]; then
        rm -rf "$work"
    elif [ -n "$work" ]; then
        echo "folders kept in $work"
    fi
}

# Starts Xvfb on a display number it picks itself and waits (15 s at most)
# until it accepts clients.
start_xvfb() {
    local numberfile=$work/xvfb-display deadline
    : >"$numberfile"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numberfile" </dev/null >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    deadline=$(($(now_ms) + 15000))
    until [ "$(wc -l <"$numberfile")" -ge 1 ]; do
        if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$(now_ms)" -ge "$deadline" ]; then
            echo "Xvfb did not start:" >&2
            tail -n 5 "$work/xvfb.log" >&2
            return 1
        fi
        sleep 0.05
    done
    DISPLAY=":$(head -n1 "$numberfile")"
    export DISPLAY
}

if [ ! -f "$program" ]; then
    echo "no $program: build the win64 preset first"
    echo "0 passed, 1 failed"
    exit 1
fi

trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p build
work=$(mktemp -d "$QZ_ROOT/build/shell-namespace.XXXXXX") || exit 1
root=$work/folders
mkdir -p "$root/prepared/a/inner" "$root/prepared/b" "$root/prepared/.hidden" "$root/gone/inner" "$root/many"
echo text >"$root/prepared/f.txt"
(cd "$root/many" && for i in $(seq 0 999); do printf 'd%04d\n' "$i"; done | xargs mkdir)

start_xvfb || { echo "0 passed, 1 failed"; exit 1; }

output=$work/output.log
QZ_WINE_TIMEOUT=$limit qz_wine "$program" "$(windows_path "$root")" | tee "$output"
status=${PIPESTATUS[0]}
if [ "$status" -eq 124 ]; then
    echo "the program did not end within $limit s"
fi
if ! tail -n1 "$output" | tr -d '\r' | grep -qE '^[0-9]+ passed, [0-9]+ failed$'; then
    echo "the program ended (status $status) without its count"
    echo "0 passed, 1 failed"
fi
exit "$status"
