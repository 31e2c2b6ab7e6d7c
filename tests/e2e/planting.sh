#!/usr/bin/env bash
# Libraries planted beside the launcher under system libraries' names, and a
# qz.exe.local, against each way the launcher guards its library search. The
# launcher's test build (plants/older_windows.cpp) is told by QZ_OLDER_WINDOWS
# which Windows' kernel to answer for, so that Wine, which offers everything,
# runs each way:
#   restricted  Wine as it is: the restricted search (8 to 11; Vista and 7
#               with KB2533623)
#   vista       Vista with that update: SetDllDirectoryW and the libraries
#               loaded by full path first (as XP SP1 to 7 without it)
#   2000        neither, and a qz.exe.local honoured: the launcher stops
# In each way the launcher walks the road that loads every library it needs
# (its window, the folder tree, the restore over ODBC) and nothing planted
# is loaded. The control case, the same build without the delay-load hook,
# loads what was planted where the search is not restricted.
#
# Usage: tests/e2e/planting.sh   (after scripts/build; QZ_EXE picks the
# bitness; E2E_PARTS picks among: restricted vista 2000 dot-local control)
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"
source "$QZ_ROOT/scripts/lib/launcher.sh"

QZ_EXE=${QZ_EXE:-$QZ_ROOT/dist/win64/qz.exe}
builds=$QZ_ROOT/build/win64/tests/e2e
qz_pe_is_32bit "$QZ_EXE" && builds=$QZ_ROOT/build/win32/tests/e2e
e2e_require planting "$builds/qz_older_windows.exe" "$builds/qz_unhooked.exe" "$builds/planted.dll"

e2e_init || { echo "planting: the harness could not start" >&2; exit 1; }
e2e_media_full "$builds/qz_older_windows.exe" || { echo "planting: cannot lay out the medium" >&2; exit 1; }
e2e_engine_start || { echo "planting: the engine did not start" >&2; exit 1; }

# Under the names of what the launcher loads itself (user32 and gdi32 too,
# which no longer load with the program), of what system libraries load by
# name on its road (lpk and usp10 at user32's start on 2000 to 2003, the
# driver and its network library at the connection), of the launcher's own
# bitness. Wine is told to prefer a file on disk over its own library for
# each, as Windows does for any library not on its known list. Not ole32,
# a known DLL on every Windows, which Wine's own libraries would take from
# beside the program.
planted_dlls=(user32 gdi32 lpk usp10 imm32 version uxtheme comctl32 shell32 odbc32 sqlsrv32 dbnetlib)
export WINEDLLOVERRIDES="mscoree,mshtml=;$(IFS=,; echo "${planted_dlls[*]}")=n,b"
plant() { e2e_plant "$1" "$builds/planted.dll" "${planted_dlls[@]}"; }  # folder
plant "$E2E_MEDIA" || { echo "planting: cannot plant the files" >&2; exit 1; }

# start_as WINDOWS [FOLDER]: the medium's launcher answering for that Windows.
start_as() {
    local status
    export QZ_OLDER_WINDOWS=$1
    e2e_start "${2:-$E2E_MEDIA}" "${2:-$E2E_MEDIA}/qz.exe"
    status=$?
    unset QZ_OLDER_WINDOWS
    return $status
}

# road WAY: the settings panel, a folder from the chooser's tree, OK, the
# restore into it, the exit zone: every library the launcher loads.
road() {
    local way=$1 folder=$E2E_DRIVE_C/Db-$1
    mkdir -p "$folder"
    start_as "$way"
    expect_true "$way: the main window appears" main_window "$E2E_START_MS"
    expect_true "$way: the settings panel opens" open_panel SpeedBsjwj
    e2e_drive click --control SpeedBlj >/dev/null
    e2e_drive control Panel1 --visible 1 --timeout-ms 20000 >/dev/null
    expect_eq "$way: the browse button opens the chooser" 0 "$E2E_STATUS"
    e2e_drive tree-click --path "$(tree_path "$folder")" >/dev/null
    e2e_drive click --control SpeedBljqd >/dev/null
    press_ok
    # Restored once already in an earlier way: the question comes first.
    if [ -f "$E2E_ENGINE_STATE/restored" ]; then
        expect_box "$way: the replace question" "数据库已经存在，继续安装将清空现有的数据,继续吗？" --press 6
    fi
    expect_box "$way: the restore" "安装数据库成功！" --press 1 && touch "$E2E_ENGINE_STATE/restored"
    expect_true "$way: the data file in the chosen folder" test -f "$folder/QUENTARO_data.MDF"
    expect_exit_zero_after "$way: the exit zone" e2e_drive click --control Labeltcqz
    expect_eq "$way: no planted library was loaded" "" "$(e2e_planted_loads "$E2E_MEDIA")"
}

if e2e_part restricted; then
    say "the restricted search, a qz.exe.local beside the launcher (ignored where manifests are known)"
    touch "$E2E_MEDIA/qz.exe.local"
    road restricted
    rm -f "$E2E_MEDIA/qz.exe.local"
fi

if e2e_part vista; then
    say "SetDllDirectoryW and the libraries loaded by full path first, a qz.exe.local folder beside the launcher"
    mkdir -p "$E2E_MEDIA/qz.exe.local"
    plant "$E2E_MEDIA/qz.exe.local"
    road vista
    rm -rf "$E2E_MEDIA/qz.exe.local"
fi

if e2e_part 2000; then
    say "neither: only the libraries loaded by full path first"
    road 2000
fi

if e2e_part dot-local; then
    say "Windows 2000 with a qz.exe.local beside the launcher: the system's box, and the end"
    for kind in file folder; do
        if [ $kind = file ]; then touch "$E2E_MEDIA/qz.exe.local"; else mkdir "$E2E_MEDIA/qz.exe.local"; fi
        # Wine's kernel writes the box's text to its log when it has no user32
        # loaded to show it with, as the launcher has none loaded here.
        WINEDEBUG=err+all start_as 2000
        if e2e_wait_exit "$E2E_START_MS"; then
            expect_eq "a qz.exe.local $kind: the launcher ends with code 1" 1 "$E2E_EXIT_CODE"
        else
            e2e_fail "a qz.exe.local $kind: the launcher ends" "an exit" "still running" 1
        fi
        expect_true "a qz.exe.local $kind: the kernel's box, which names it" \
            grep -q 'FatalAppExitW.*qz\.exe\.local' "$E2E_WORK/program-$E2E_PID.log"
        expect_eq "a qz.exe.local $kind: no planted library was loaded" "" "$(e2e_planted_loads "$E2E_MEDIA")"
        rm -rf "$E2E_MEDIA/qz.exe.local"
    done
fi

if e2e_part control; then
    # The control case: without the hook, where the search is not restricted,
    # the delay-load helper's load by a bare name finds what was planted.
    control=$E2E_WORK/control
    for way in vista 2000; do
        rm -rf "$control" && mkdir -p "$control" && cp "$builds/qz_unhooked.exe" "$control/qz.exe" && plant "$control"
        say "the control case, $way: the launcher without its delay-load hook"
        start_as "$way" "$control"
        # As far as it gets: a planted library has no functions to give.
        if main_window "$E2E_START_MS"; then
            e2e_drive click --control SpeedBsjwj >/dev/null
            e2e_drive click --control SpeedBlj >/dev/null
            e2e_drive control Panel1 --visible 1 --timeout-ms 20000 >/dev/null
        fi
        e2e_wait_exit 5000 >/dev/null || e2e_stop_pid "$E2E_PID" 5000
        echo "  $way without the hook, loaded from beside it: $(e2e_planted_loads "$control")"
        expect_true "$way without the hook: a planted library was loaded" \
            test -n "$(e2e_planted_loads "$control")"
    done
fi

e2e_finish
