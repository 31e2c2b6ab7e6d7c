#!/usr/bin/env bash
# The newcomer's command: scripts/demo --auto walks the main road on its own;
# this checks what it leaves behind.
#
# Usage: tests/e2e/demo.sh
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
env -u DISPLAY timeout 900 "$QZ_ROOT/scripts/demo" --auto >"$log" 2>&1
status=$?
sed 's/^/  | /' "$log"

expect_eq "scripts/demo --auto ends well" 0 "$status"
expect_true "the success box was seen" grep -qx '==> success box: 安装数据库成功！' "$log"
expect_true "the launcher ended with exit code 0" grep -qx '==> the launcher ended with exit code 0' "$log"
restored=$QZ_ROOT/build/demo/prefix/drive_c/QUENTARO
expect_true "the data file where the engine put it" test -s "$restored/QUENTARO_data.MDF"
expect_true "the log file where the engine put it" test -s "$restored/QUENTARO_log.LDF"
expect_true "the demo names the restored files" grep -qF "restored file: $restored/QUENTARO_data.MDF" "$log"
engine_pid=$(sed -nE 's/^==> stand-in engine \(pid ([0-9]+)\).*/\1/p' "$log")
expect_true "the engine's pid was reported" test -n "$engine_pid"
expect_true "the engine stopped" grep -qx '==> engine stopped' "$log"
expect_true "no engine process is left" bash -c "! kill -0 ${engine_pid:-0} 2>/dev/null"
media=$QZ_ROOT/dist/media
expect_true "the demo says first which launcher it runs" \
    sh -c "head -n 3 '$log' | grep -qF 'demo: the launcher as it ships, the i686 build'"
# The shipped i686 build, but where 32-bit programs run only under qemu.
build=win32
if qz_32bit_emulated; then
    build=win64
    expect_true "under qemu, the demo says it runs the x86_64 build instead" \
        grep -qF 'the demo runs the x86_64 build instead (dist/win64)' "$log"
else
    expect_true "the demo says it runs the shipped i686 build" grep -qF 'the launcher is the shipped i686 build' "$log"
    expect_true "the medium's launcher is a 32-bit program" qz_pe_is_32bit "$media/qz.exe"
fi
for file in qz.exe vorta.dll vorta.h README.txt; do
    expect_true "the medium has the $build $file at its root" cmp -s "$QZ_ROOT/dist/$build/$file" "$media/$file"
done
expect_true "the medium holds the launcher and its companions" \
    test -f "$QZ_ROOT/dist/media/qz.exe" -a -f "$QZ_ROOT/dist/media/Msde/SETUP.EXE" \
    -a -f "$QZ_ROOT/dist/media/tovk/setup.exe" -a -f "$QZ_ROOT/dist/media/Data/QUENTARO.bak"

shots=$QZ_ROOT/build/demo/screenshots
for name in 1-main-window 2-engine-setup-prompt 3-settings-panel 4-folder-chooser 5-success; do
    shot=$shots/$name.png
    expect_true "screenshot $name exists" test -s "$shot"
    # A blank screen has no variation at all.
    spread=$(convert "$shot" -colorspace Gray -format '%[fx:standard_deviation]' info: 2>/dev/null || echo 0)
    expect_true "screenshot $name is not blank (spread $spread)" awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }'
done

say "scripts/demo --disc --auto: the same road from the demo's disc image"
env -u DISPLAY timeout 900 "$QZ_ROOT/scripts/demo" --disc --auto >"$log" 2>&1
status=$?
sed 's/^/  | /' "$log"
expect_eq "scripts/demo --disc --auto ends well" 0 "$status"
expect_true "it names the image it made" grep -qE '^==> disc image .*/build/demo/image/qz-demo\.iso$' "$log"
expect_true "the launcher starts from drive D:" grep -qxF '==> the launcher starts from the disc, as D:\qz.exe' "$log"
expect_true "the engine's setup ran from the disc" grep -qxF '==> the engine'"'"'s setup ran: D:\Msde\SETUP.EXE' "$log"
expect_true "the success box was seen" grep -qx '==> success box: 安装数据库成功！' "$log"
expect_true "the launcher ended with exit code 0" grep -qx '==> the launcher ended with exit code 0' "$log"
expect_true "the data file where the engine put it" test -s "$restored/QUENTARO_data.MDF"
e2e_finish
