#!/usr/bin/env bash
# Bad input and faults through the real window under Wine: awkward logons and
# folders, an engine that is gone, refuses, stalls past the real time-outs,
# drops the connection in the middle of the restore; damaged and missing
# backups; a folder that cannot be written; registry values of every wrong
# kind; setup programs missing from the medium. After each: the right box,
# no crash, no hang past the time-outs, the launcher usable, and the engine's
# catalog consistent.
#
# Usage: tests/e2e/reliability.sh   (after scripts/build)
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"
source "$QZ_ROOT/scripts/lib/launcher.sh"

QZ_EXE=${QZ_EXE:-$QZ_ROOT/dist/win64/qz.exe}

e2e_init || { echo "reliability: the harness could not start" >&2; exit 1; }
e2e_media_full "$QZ_EXE" || { echo "reliability: cannot lay out the medium" >&2; exit 1; }
cp "$E2E_MEDIA/Data/QUENTARO.bak" "$E2E_WORK/good.bak"
E2E_DRIVE_C=$E2E_WORK/c
mkdir -p "$E2E_DRIVE_C"
engine_key='HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\MSSQLServer\Setup'
e2e_registry_import "[$engine_key]" '"SQLPath"="C:\\MSSQL"'

launcher_stop() { expect_exit_zero_after "$1: the exit zone" e2e_drive click --control Labeltcqz; }
# The launcher answers and its main window is enabled.
expect_usable() {
    e2e_drive wait-no-msgbox --timeout-ms 5000 >/dev/null
    main_window
    expect_key enabled 1 "$1: the launcher is usable"
}
# How many catalog lines name QUENTARO (0 or 1): never half a database.
catalog_count() {
    local count
    count=$(grep -c "^QUENTARO	" "$E2E_ENGINE_STATE/catalog.txt" 2>/dev/null)
    echo "${count:-0}"
}
expect_whole_or_absent() {
    local count data log
    count=$(catalog_count)
    data=$(sed -nE 's/^QUENTARO\t[^\t]*\t[^\t]*\t[^\t]*\t([^\t]*)\t.*/\1/p' "$E2E_ENGINE_STATE/catalog.txt" 2>/dev/null)
    expect_true "$1: the catalog holds QUENTARO at most once ($count)" test "$count" -le 1
    if [ "$count" = 1 ]; then
        expect_true "$1: a registered database has its data file ($data)" test -n "$data"
    fi
}
payroll_starts() { [ -f "$E2E_MEDIA/tovk/starts.log" ] && wc -l <"$E2E_MEDIA/tovk/starts.log" || echo 0; }
# While a step of OK stalls on the engine: the window answers every probe (a
# message sent with a 500 ms time-out, four a second), stays disabled, and
# neither the zones nor the task-bar entry's close do anything.
expect_alive_while_stalled() {  # what
    local payroll
    payroll=$(payroll_starts)
    e2e_drive probe --for-ms 1000 >/dev/null
    expect_key enabled 0 "$1: disabled once the step runs"
    e2e_drive click --control Labelgzrj --even-disabled >/dev/null
    e2e_drive click --control Labeltcqz --even-disabled >/dev/null
    e2e_drive syscommand --class QzApplication --command close >/dev/null
    e2e_drive probe --for-ms 6000 --every-ms 250 --reply-ms 500
    expect_key answered "$(e2e_get probes)" "$1: every probe answered (slowest $(e2e_get slowest_ms) ms)"
    expect_key enabled 0 "$1: disabled throughout"
    expect_true "$1: the exit zone and the task-bar close did nothing" e2e_running
    STALL_PAYROLL=$payroll
}
# The outcome of a stalled OK: Yes to the question, if it comes, then the box.
expect_outcome_after_stall() {  # what text
    e2e_drive msgbox --timeout-ms 100000 || { e2e_fail "$1: a box" "$2" "none" 1; return; }
    if [ "$(e2e_get title)" = "问题？" ]; then
        e2e_drive msgbox-press --id 6 >/dev/null
        e2e_drive probe --for-ms 2000 >/dev/null
        expect_key enabled 0 "$1: disabled again while the drop runs"
    fi
    expect_box "$1: the outcome as without a stall" "$2" --press first --timeout-ms 100000
    expect_eq "$1: the click on the payroll zone started nothing" "$STALL_PAYROLL" "$(payroll_starts)"
    expect_true "$1: the launcher runs on" e2e_running
    expect_usable "$1"
}
set_fields() {  # user password path
    e2e_drive set-text Editusername "$1" >/dev/null
    e2e_drive set-text EditPassW "$2" >/dev/null
    e2e_drive set-text EditPath "$3" >/dev/null
}
restore_into() {  # what folder: a restore there, answering Yes when asked to replace
    local what=$1 folder=$2 text
    set_fields sa "" "$folder"
    press_ok
    e2e_drive msgbox --timeout-ms 60000 || { e2e_fail "$what: a box" "a box" "none" 1; return; }
    if [ "$(e2e_get title)" = "问题？" ]; then
        e2e_drive msgbox-press --id 6 >/dev/null
        e2e_drive msgbox --timeout-ms 60000 || { e2e_fail "$what: a box" "a box" "none" 1; return; }
    fi
    text=$(e2e_get text)
    expect_eq "$what: restored" "安装数据库成功！" "$text"
    e2e_drive msgbox-press --id 1 >/dev/null
}

# ------------------------------------------------------------- awkward folders

e2e_engine_start || { echo "reliability: the engine did not start" >&2; exit 1; }
start_launcher
open_panel
say "target folders that try to end the statement's literals"
injection="x'; drop database master; --"
for folder in "O'Neil" "a]b" "a--b" "trail;" "数据 데이터 😀" "$injection"; do
    mkdir -p "$E2E_DRIVE_C/$folder"
    # The success before closed the panel: OK is only there once it is open again.
    expect_true "folder '$folder': the panel opens" open_panel
    restore_into "folder '$folder'" "C:\\$folder"
    expect_true "folder '$folder': the data file is inside it" test -f "$E2E_DRIVE_C/$folder/QUENTARO_data.MDF"
    expect_whole_or_absent "folder '$folder'"
done
batches=$E2E_ENGINE_STATE/batches.log
expect_eq "no batch but the launcher's three kinds ran" 0 \
    "$(grep -cvE "^(select \* from sysdatabases where name='QUENTARO'|drop database QUENTARO|Restore DataBase QUENTARO from disk=)" "$batches")"
expect_true "the injection went as one literal" \
    grep -qF "to 'C:\\\\x''; drop database master; --\\\\QUENTARO_data.MDF'" "$batches"
e2e_drive controls >/dev/null
expect_usable "after the folders"

say "a logon of user names and passwords with syntax characters and Unicode"
launcher_stop "awkward folders"
e2e_engine_stop
# Values that FreeTDS reads as Windows does (see docs/RELIABILITY.md): the
# braced user holds no "}", the bare password holds braces and "=".
odd_user=' o;p=e'"'"'r"a{to 用户😀 '
odd_password='p}w=}{d"'"'"'x密码😀{'
e2e_engine_start --user "$odd_user" --password "$odd_password"
start_launcher
open_panel
set_fields "$odd_user" "$odd_password" 'C:\'
press_ok
e2e_drive msgbox --timeout-ms 60000
if [ "$(e2e_get title)" = "问题？" ]; then e2e_drive msgbox-press --id 6 >/dev/null; fi
expect_box "the odd logon reaches the engine as typed" "安装数据库成功！" --press first
for user in "   " "$(printf 'u%.0s' $(seq 1 2000))" "sa"; do
    open_panel
    set_fields "$user" "wrong" 'C:\'
    press_ok
    expect_box "logon '${user:0:12}…' refused" "连接数据库错误，请确认SQLSERVER是否安装或用户名称和密码是否正确" --press first
done
expect_usable "after the refused logons"
launcher_stop "awkward logons"
e2e_engine_stop

# ------------------------------------------------------------- faults

say "the engine is not running"
start_launcher
open_panel
set_fields sa "" 'C:\'
started=$(e2e_now_ms)
press_ok
expect_box "no engine" "连接数据库错误，请确认SQLSERVER是否安装或用户名称和密码是否正确" --press first --timeout-ms 20000
expect_true "no engine: the box came within the login time-out" test $(($(e2e_now_ms) - started)) -lt 20000
expect_usable "no engine"
launcher_stop "after a failed connection"
start_launcher
open_panel
e2e_drive click --control SpeedBlj >/dev/null
e2e_drive control Panel1 --visible 1 --timeout-ms 10000 >/dev/null
launcher_stop "with the folder chooser open"
start_launcher
open_panel
set_fields sa "" 'C:\'

say "the engine stalls the login for 11 s, within the 15 s time-out"
e2e_engine_start --login-stall-ms 11000
press_ok
expect_alive_while_stalled "login stalled 11 s"
expect_outcome_after_stall "login stalled 11 s" "安装数据库成功！"
e2e_engine_stop

say "the engine stalls each statement for 12 s, within the 30 s time-out"
e2e_engine_start --stall-ms 12000
open_panel
press_ok
expect_alive_while_stalled "statements stalled 12 s"
expect_outcome_after_stall "statements stalled 12 s" "安装数据库成功！"
expect_whole_or_absent "statements stalled 12 s"
e2e_engine_stop
open_panel

say "the engine stalls the login past the 15 s time-out"
e2e_engine_start --login-stall-ms 40000
started=$(e2e_now_ms)
press_ok
expect_box "login stalled" "连接数据库错误，请确认SQLSERVER是否安装或用户名称和密码是否正确" --press first --timeout-ms 40000
elapsed=$(($(e2e_now_ms) - started))
expect_true "login stalled: the box after the 15 s time-out ($elapsed ms)" test "$elapsed" -ge 14000 -a "$elapsed" -lt 35000
expect_usable "login stalled"
e2e_engine_stop

say "the engine stalls a statement past the 30 s time-out"
e2e_engine_start --stall-ms 70000
started=$(e2e_now_ms)
press_ok
if e2e_drive msgbox --timeout-ms 100000; then
    expect_key title "安装程序" "statement stalled: the existence query's failure reaches the application error box"
    say "statement stalled: $(e2e_get text)"
    e2e_drive msgbox-press --id 1 >/dev/null
else
    e2e_fail "statement stalled: a box" "the application error box" "none" 1
fi
elapsed=$(($(e2e_now_ms) - started))
expect_true "statement stalled: the box after the 30 s time-out ($elapsed ms)" test "$elapsed" -ge 29000 -a "$elapsed" -lt 95000
expect_usable "statement stalled"
e2e_engine_stop
expect_whole_or_absent "statement stalled"
launcher_stop "after the application error box"
start_launcher
open_panel

say "the engine drops the connection in the middle of the restore"
e2e_engine_start --fault close-on-restore
before=$(catalog_count)
set_fields sa "" 'C:\'
press_ok
e2e_drive msgbox --timeout-ms 60000
if [ "$(e2e_get title)" = "问题？" ]; then e2e_drive msgbox-press --id 6 >/dev/null; fi
expect_box "connection lost at the restore" "数据库正在使用中，请退出后再安装！" --press first
expect_whole_or_absent "connection lost at the restore"
expect_usable "connection lost at the restore"
e2e_engine_stop

say "damaged and missing backups, a folder that cannot be written"
e2e_engine_start
restore_into "a database to keep" 'C:\'
open_panel
drops=$(grep -c '^drop database QUENTARO' "$batches")
rm -f "$E2E_MEDIA/Data/QUENTARO.bak"
press_ok
e2e_drive msgbox --timeout-ms 60000 && expect_key title "问题？" "missing backup: the question first"
e2e_drive msgbox-press --id 6 >/dev/null
expect_box "missing backup, existing database" "数据库正在使用中，请退出后再安装！" --press first
expect_eq "missing backup: the existing database is kept" 1 "$(catalog_count)"
mkdir "$E2E_MEDIA/Data/QUENTARO.bak"
press_ok
e2e_drive msgbox --timeout-ms 60000 && e2e_drive msgbox-press --id 6 >/dev/null
expect_box "a folder in the backup's place" "数据库正在使用中，请退出后再安装！" --press first
expect_eq "a folder in the backup's place: the existing database is kept" 1 "$(catalog_count)"
expect_eq "no drop was sent without a backup" "$drops" "$(grep -c '^drop database QUENTARO' "$batches")"
rmdir "$E2E_MEDIA/Data/QUENTARO.bak"
printf 'QZBACKUP damaged' >"$E2E_MEDIA/Data/QUENTARO.bak"
press_ok
e2e_drive msgbox --timeout-ms 60000
if [ "$(e2e_get title)" = "问题？" ]; then e2e_drive msgbox-press --id 6 >/dev/null; fi
expect_box "damaged backup" "数据库正在使用中，请退出后再安装！" --press first
expect_eq "damaged backup: the engine could not read it, no database left" 0 "$(catalog_count)"
rm -f "$E2E_MEDIA/Data/QUENTARO.bak"
press_ok
expect_box "missing backup" "数据库正在使用中，请退出后再安装！" --press first
expect_eq "missing backup: no database" 0 "$(catalog_count)"
launcher_stop "after a failed restore"
start_launcher
open_panel
cp "$E2E_WORK/good.bak" "$E2E_MEDIA/Data/QUENTARO.bak"
# A file stands where the folder should be: nothing can be written there.
printf 'not a folder' >"$E2E_DRIVE_C/blocked"
set_fields sa "" 'C:\blocked\Db'
press_ok
expect_box "unwritable folder" "数据库正在使用中，请退出后再安装！" --press first
expect_eq "unwritable folder: no database" 0 "$(catalog_count)"
restore_into "after the faults, a good restore" 'C:\'
expect_whole_or_absent "after the faults"

say "registry values of every wrong kind, and of 1 MB"
# The success closed the panel: the zones under it take clicks once it is gone.
e2e_drive control Panel3 --visible 0 --timeout-ms 10000 >/dev/null
for value in 'dword:00000001' 'hex:01,02,03' 'hex(7):41,00,00,00,00,00'; do
    e2e_registry_import "[$engine_key]" "\"SQLPath\"=$value"
    e2e_drive click --control Labelmsde >/dev/null
    expect_box "SQLPath $value" "Invalid data type for 'SQLPath'" --press first
    e2e_drive control Panel3
    expect_key visible 0 "SQLPath $value: no panel"
done
big=$(head -c 1048576 /dev/zero | tr '\0' 'x')
e2e_registry_import "[$engine_key]" "\"SQLPath\"=\"$big\""
e2e_drive click --control Labelmsde >/dev/null
e2e_drive control Panel3 --visible 1 --timeout-ms 20000 >/dev/null
expect_eq "a 1 MB SQLPath counts as an installed engine" 0 "$E2E_STATUS"
expect_usable "after the registry values"

say "setup programs missing from the medium"
rm -f "$E2E_MEDIA/Msde/SETUP.EXE" "$E2E_MEDIA/tovk/setup.exe"
e2e_registry_import "[-${engine_key%\\Setup}]"
close_panel
e2e_drive click --control Labelmsde >/dev/null
# The shell may report the missing file in a box of its own first.
for _ in 1 2; do
    e2e_drive msgbox --timeout-ms 20000 || break
    if [ "$(e2e_get text)" = "请等待MSDE安装完成后！点击确定加载数据文件！" ]; then
        e2e_drive msgbox-press --id 7 >/dev/null
        e2e_pass
        break
    fi
    say "the shell said: $(e2e_get text)"
    e2e_drive msgbox-press --id "$(e2e_get button_1_id)" >/dev/null
done
e2e_drive click --control Labelgzrj >/dev/null
e2e_drive msgbox --timeout-ms 3000 && { say "the shell said: $(e2e_get text)"; e2e_drive msgbox-press --id "$(e2e_get button_1_id)" >/dev/null; }
expect_usable "setups missing"
launcher_stop "faults"
e2e_finish
