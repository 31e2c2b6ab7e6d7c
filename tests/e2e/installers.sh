#!/usr/bin/env bash
# The install-database and install-payroll zones under Wine: the registry
# probe in the 32-bit view, the stand-in setups on the media recording each
# start, the prompt, the service start, the application error box, and the
# whole road from the install-database zone to a restored database.
#
# Usage: tests/e2e/installers.sh   (after scripts/build)
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"
source "$QZ_ROOT/scripts/lib/launcher.sh"

QZ_EXE=${QZ_EXE:-$QZ_ROOT/dist/win64/qz.exe}

e2e_init || { echo "installers: the harness could not start" >&2; exit 1; }
e2e_media_full "$QZ_EXE" || { echo "installers: cannot lay out the medium" >&2; exit 1; }
e2e_engine_start || { echo "installers: the engine did not start" >&2; exit 1; }

# Planted beside the launcher under the names of what it runs and loads: a
# net.exe that records its starts (starts.log) and libraries that record each
# load of them (planted.log), of the launcher's own bitness. Wine is told to
# prefer a library file found on disk over its own for the names that it
# does not load itself before the program's first instruction (imm32 and
# version it does), as Windows does for any library not on its known list.
planted_dlls=(odbc32 comctl32 shell32 version imm32 uxtheme)
preferred_dlls=odbc32,comctl32,shell32,uxtheme
plants=$QZ_ROOT/build/win64/tests/e2e
qz_pe_is_32bit "$QZ_EXE" && plants=$QZ_ROOT/build/win32/tests/e2e
plant() {  # folder
    mkdir -p "$1" && cp "$E2E_SETUPS/payroll_setup.exe" "$1/net.exe" &&
        e2e_plant "$1" "$plants/planted.dll" "${planted_dlls[@]}"
}
export WINEDLLOVERRIDES="mscoree,mshtml=;$preferred_dlls=n,b"
plant "$E2E_MEDIA" || { echo "installers: cannot plant the files" >&2; exit 1; }
# The system's net starts the service: its image records that it ran.
e2e_service_create mssqlserver "$E2E_SETUPS/payroll_setup.exe" ||
    { echo "installers: cannot register the service" >&2; exit 1; }
lines() { [ -f "$1" ] && wc -l <"$1" || echo 0; }
service_starts() { lines "$E2E_WORK/service-mssqlserver/starts.log"; }

# Lines of a stand-in's starts.log: path, current folder, command line.
starts() { lines "$E2E_MEDIA/$1/starts.log"; }
wait_starts() {  # folder count
    local deadline=$(($(e2e_now_ms) + 15000))
    while [ "$(starts "$1")" -lt "$2" ] && [ "$(e2e_now_ms)" -lt "$deadline" ]; do sleep 0.05; done
    [ "$(starts "$1")" -ge "$2" ]
}
start_field() { sed -n "${2}p" "$E2E_MEDIA/$1/starts.log" | cut -f"$3" | tr -d '\r'; }

say "the control case: a program that loads by bare name finds the planted files"
plant "$E2E_WORK/control" && cp "$plants/bare_loader.exe" "$E2E_WORK/control/"
QZ_WINE_TIMEOUT=$((E2E_START_MS / 1000 + 60)) qz_wine "$E2E_WORK/control/bare_loader.exe" \
    ${preferred_dlls//,/.dll }.dll >/dev/null 2>&1
expect_eq "every library preferred from disk was loaded from beside it" \
    "$(tr ',' '\n' <<<"$preferred_dlls" | sed 's/$/.dll/' | sort | tr '\n' ' ')" "$(e2e_planted_loads "$E2E_WORK/control")"
expect_eq "the bare net ran the planted one" 1 "$(lines "$E2E_WORK/control/starts.log")"

engine_key='HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\MSSQLServer\Setup'
no_engine() { e2e_registry_import "[-${engine_key%\\Setup}]"; }
engine_value() { e2e_registry_import "[$engine_key]" "\"SQLPath\"=$1"; }

# The launcher runs from another folder than its own, so that the folder its
# setups inherit is told apart from the one they lie in.
launcher_folder=$E2E_WORK/elsewhere
mkdir -p "$launcher_folder"
launcher_folder_windows=$(windows_path "$launcher_folder")
media_windows=$(windows_path "$E2E_MEDIA")

no_engine
start_launcher "$launcher_folder"

say "the install-payroll zone, twice"
e2e_drive click --control Labelgzrj >/dev/null
e2e_drive click --control Labelgzrj >/dev/null
expect_true "its setup started twice" wait_starts tovk 2
expect_eq "the setup started is the media's" "$media_windows\\tovk\\setup.exe" "$(start_field tovk 1 1 | sed 's/\\\\/\\/g')"
expect_eq "it inherits the launcher's current folder" "$launcher_folder_windows" "$(start_field tovk 2 2)"
expect_status "no message box" 0 e2e_drive wait-no-msgbox --timeout-ms 1000
e2e_drive control Panel3
expect_key visible 0 "the payroll zone opens no panel"

say "no engine: its setup, the prompt, No"
e2e_drive click --control Labelmsde >/dev/null
expect_box "the prompt" "请等待MSDE安装完成后！点击确定加载数据文件！" --title "提示！" --buttons 6,7 --timeout-ms 20000
expect_true "the engine's setup started" wait_starts Msde 1
expect_eq "the engine's setup is the media's" "$media_windows\\Msde\\SETUP.EXE" "$(start_field Msde 1 1 | sed 's/\\\\/\\/g')"
expect_eq "it inherits the launcher's current folder" "$launcher_folder_windows" "$(start_field Msde 1 2)"
e2e_drive msgbox-press --id 7 >/dev/null
e2e_drive control Panel3
expect_key visible 0 "No leaves the panel hidden"
expect_eq "No starts no service" 0 "$(starts .)"

say "the engine's setup wrote its key: the next click opens the panel directly"
expect_true "the panel opens" open_panel
expect_status "no prompt" 0 e2e_drive wait-no-msgbox --timeout-ms 1500
expect_eq "no second setup" 1 "$(starts Msde)"
e2e_drive click --control SpeedBljfh >/dev/null

say "a REG_DWORD SQLPath reaches the application error box"
engine_value 'dword:00000001'
e2e_drive click --control Labelmsde >/dev/null
expect_box "the application error box, no full stop" "Invalid data type for 'SQLPath'" --title "安装程序" --buttons 1 \
    --press 1 --timeout-ms 20000
expect_eq "no setup after the error" 1 "$(starts Msde)"
e2e_drive control Panel3
expect_key visible 0 "no panel after the error"
main_window
expect_key enabled 1 "the launcher goes on"

say "the whole road: no engine, its setup, Yes, the panel, a folder chosen, OK, a restored database"
no_engine
e2e_drive click --control Labelmsde >/dev/null
expect_box "the prompt" "请等待MSDE安装完成后！点击确定加载数据文件！" --press 6 --timeout-ms 20000
wait_service() {
    local deadline=$(($(e2e_now_ms) + E2E_START_MS))
    while [ "$(service_starts)" -lt 1 ] && [ "$(e2e_now_ms)" -lt "$deadline" ]; do sleep 0.1; done
    [ "$(service_starts)" -ge 1 ]
}
expect_true "the system's net started the service" wait_service
expect_eq "the net.exe beside the launcher never ran" 0 "$(starts .)"
e2e_drive control Panel3 --visible 1 --timeout-ms 10000
expect_eq "Yes shows the panel" 0 "$E2E_STATUS"
e2e_drive control Label2
expect_key visible 0 "with its status label hidden"
if qz_32bit_emulated && qz_pe_is_32bit "$QZ_EXE"; then
    # Under qemu, Wine's 32-bit half dies in the emulator ("qemu: uncaught
    # target signal 11", no exception that Wine saw) when the folder tree is
    # used in a process that has started a program; never natively, and
    # never without the start (docs/RELIABILITY.md). The rest of the road
    # runs in a launcher started anew, whose zone now opens the panel.
    expect_exit_zero_after "the launcher that started the programs" e2e_drive click --control Labeltcqz
    start_launcher "$launcher_folder"
    expect_true "a launcher started anew opens the panel" open_panel
fi
mkdir -p "$E2E_DRIVE_C/Db"
e2e_drive click --control SpeedBlj >/dev/null
e2e_drive control Panel1 --visible 1 --timeout-ms 10000
expect_eq "the browse button opens the chooser" 0 "$E2E_STATUS"
e2e_drive tree-click --path "$(tree_path "$E2E_DRIVE_C/Db")" >/dev/null
e2e_drive click --control SpeedBljqd >/dev/null
db_windows=$(windows_path "$E2E_DRIVE_C/Db")
e2e_drive get-text EditPath
expect_key text "${db_windows//\\/\\\\}" "the chosen folder in the path field"
press_ok
expect_box "the restore" "安装数据库成功！" --press 1
expect_true "the data file in the chosen folder" test -f "$E2E_DRIVE_C/Db/QUENTARO_data.MDF"
expect_true "the log file in the chosen folder" test -f "$E2E_DRIVE_C/Db/QUENTARO_log.LDF"

expect_exit_zero_after "the exit zone" e2e_drive click --control Labeltcqz
expect_eq "no library beside the launcher was loaded on the whole road" "" "$(e2e_planted_loads "$E2E_MEDIA")"
expect_eq "the net.exe beside the launcher never ran" 0 "$(starts .)"
e2e_finish
