#!/usr/bin/env bash
# The database settings panel and the restore under Wine, end to end: the
# launcher's own data access through Wine's odbc32, unixODBC and FreeTDS to
# the stand-in engine on loopback, with the backup in the media folder.
#
# Usage: tests/e2e/restore.sh   (after scripts/build)
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"
source "$QZ_ROOT/scripts/lib/launcher.sh"

QZ_EXE=${QZ_EXE:-$QZ_ROOT/dist/win64/qz.exe}
HOLD=$QZ_ROOT/build/native/tests/tools/hold_connection
e2e_require restore "$QZ_EXE" "$E2E_ENGINE" "$HOLD"

e2e_init || { echo "restore: the harness could not start" >&2; exit 1; }
e2e_media_create "$QZ_EXE"
e2e_engine_backup "$E2E_MEDIA/Data/QUENTARO.bak" || { echo "restore: no backup" >&2; exit 1; }
e2e_engine_start || { echo "restore: the engine did not start" >&2; exit 1; }
batches=$E2E_ENGINE_STATE/batches.log
media_windows=$(windows_path "$E2E_MEDIA")

# The restore statement the engine received last.
last_restore() { grep -i '^restore' "$batches" | tail -n 1; }

start_launcher

say "the panel's show handler"
expect_true "the settings panel shows" open_panel SpeedBsjwj
e2e_drive control Label2
expect_key visible 0 "the status label is hidden when the panel shows"

say "the path field draws in its own face, given when the panel first shows"
e2e_drive text-width EditPath --face 宋体 --height 14
expect_eq "the path field's '$(e2e_get text)' is as wide as in 宋体 of 14 pixels" "$(e2e_get measured)" "$(e2e_get drawn)"

say "Tab goes through the panel's fields in their tab order, past the hidden server field"
tab_to() {  # from to selection what
    e2e_drive key "$1" tab >/dev/null
    e2e_drive focus
    expect_key focus_name "$2" "$4"
    expect_key focus_selection "$3" "$4: its text selected"
}
tab_to EditPath EditPath 0,3 "Tab with no field focused goes to the first, the path field"
tab_to EditPath Editusername 0,2 "Tab from the path field"
tab_to Editusername EditPassW 0,0 "Tab from the user name"
tab_to EditPassW EditPath 0,3 "Tab from the password wraps round to the path field"

say "the browse button's edge always shows, the flat buttons' only under the pointer"
shot=$E2E_WORK/panel.png
e2e_screenshot "$shot"
# A button's bottom-right pixel (its edge, if drawn) and a pixel of its face.
edge_and_face() {
    local x y w h
    e2e_drive control "$1" >/dev/null
    x=$(e2e_get x) y=$(e2e_get y) w=$(e2e_get width) h=$(e2e_get height)
    echo "$(e2e_pixel "$shot" $((x + w - 1)) $((y + h - 1))) $(e2e_pixel "$shot" $((x + w - 3)) $((y + 2)))"
}
read -r edge face <<<"$(edge_and_face SpeedBlj)"
expect_true "SpeedBlj shows its raised edge away from the pointer ($edge on $face)" test "$edge" != "$face"
for flat in SpeedBQD SpeedBljfh; do
    read -r edge face <<<"$(edge_and_face "$flat")"
    expect_eq "$flat is flat away from the pointer" "$face" "$edge"
done

say "default logon restores into C:\\"
press_ok
expect_box "restore" "安装数据库成功！" --title "提示！" --buttons 1 --press 1
expect_true "data file in C:\\" test -f "$E2E_DRIVE_C/QUENTARO_data.MDF"
expect_true "log file in C:\\" test -f "$E2E_DRIVE_C/QUENTARO_log.LDF"
e2e_drive control Panel3
expect_key visible 0 "the panel closes after a success"
expect_eq "the restore statement, byte for byte" \
    "Restore DataBase QUENTARO from disk='${media_windows//\\/\\\\}\\\\Data\\\\QUENTARO.bak' with replace,  move 'QUENTARO_data' to 'C:\\\\QUENTARO_data.MDF', move 'QUENTARO_log' to 'C:\\\\QUENTARO_log.LDF'\\r\\n" \
    "$(last_restore)"
expect_eq "the existence query as sent" 1 \
    "$(grep -c "^select \* from sysdatabases where name='QUENTARO'\\\\r\\\\n$" "$batches")"

say "existing database, answered No"
open_panel SpeedBsjwj
before=$(wc -l <"$batches")
press_ok
expect_box "replace question" "数据库已经存在，继续安装将清空现有的数据,继续吗？" --title "问题？" --buttons 6,7 --press 7
expect_status "no box after No" 0 e2e_drive wait-no-msgbox --timeout-ms 2000
expect_eq "nothing dropped or restored after No" 0 "$(tail -n +$((before + 1)) "$batches" | grep -ciE '^(drop|restore)')"
e2e_drive control Panel3
expect_key visible 1 "the panel stays after No"
e2e_drive control Label2
expect_key visible 1 "the status label shows after No"
expect_key text "正在加载数据。。。" "the status label after No"

say "existing database, answered Yes"
press_ok
expect_box "replace question" "数据库已经存在，继续安装将清空现有的数据,继续吗？" --title "问题？" --buttons 6,7 --press 6
expect_box "restore after the drop" "安装数据库成功！" --title "提示！" --buttons 1 --press 1
expect_eq "the drop as sent" "drop database QUENTARO\\r\\n" "$(grep -i '^drop' "$batches" | tail -n 1)"

say "a database in use by another connection"
coproc HOLDER { "$HOLD" "Provider=SQLOLEDB.1;User ID=sa;Password=;Initial Catalog=QUENTARO;Data Source=(local)"; }
read -r -t 20 held <&"${HOLDER[0]}"
expect_eq "a second connection uses QUENTARO" connected "${held:-}"
open_panel SpeedBsjwj
press_ok
expect_box "replace question" "数据库已经存在，继续安装将清空现有的数据,继续吗？" --title "问题？" --buttons 6,7 --press 6
expect_box "drop refused" "数据库正在使用中，请退出后再安装！" --title "提示！" --buttons 1 --press 1
e2e_drive control Panel3
expect_key visible 1 "the panel stays after a refused drop"
# Closing its input ends the second connection.
if [ -n "${HOLDER_PID:-}" ]; then
    holder_pid=$HOLDER_PID
    eval "exec ${HOLDER[1]}>&-"
    wait "$holder_pid" 2>/dev/null
fi

say "a wrong password"
# The engine's logon is sa with an empty password.
e2e_drive set-text EditPassW "wrong" >/dev/null
press_ok
expect_box "connection refused" "连接数据库错误，请确认SQLSERVER是否安装或用户名称和密码是否正确" --title "提示！" --buttons 1 --press 1
e2e_drive control Panel3
expect_key visible 1 "the panel stays after a connection failure"

say "a target folder with a quote in its name, and Unicode"
mkdir -p "$E2E_DRIVE_C/O'Neil 数据 데이터"
e2e_drive set-text EditPassW "" >/dev/null
e2e_drive set-text EditPath "C:\\O'Neil 数据 데이터" >/dev/null
press_ok
expect_box "replace question" "数据库已经存在，继续安装将清空现有的数据,继续吗？" --title "问题？" --buttons 6,7 --press 6
expect_box "restore into the quoted folder" "安装数据库成功！" --title "提示！" --buttons 1 --press 1
expect_true "data file in the quoted folder" test -f "$E2E_DRIVE_C/O'Neil 数据 데이터/QUENTARO_data.MDF"
expect_true "log file in the quoted folder" test -f "$E2E_DRIVE_C/O'Neil 数据 데이터/QUENTARO_log.LDF"
expect_true "the quote went doubled" grep -qF "to 'C:\\\\O''Neil 数据 데이터\\\\QUENTARO_data.MDF'" <<<"$(last_restore)"

say "Back hides only the settings panel"
open_panel SpeedBsjwj
e2e_drive show Panel1 >/dev/null
# The chooser panel covers Back but for its rightmost 16 pixels.
e2e_drive click --control SpeedBljfh --x 50 --y 12 >/dev/null
e2e_drive control Panel3 --visible 0 --timeout-ms 5000
expect_eq "Back hides the settings panel" 0 "$E2E_STATUS"
e2e_drive control Panel1
expect_key visible 1 "the chooser panel stays"

say "the exit zone while the settings panel is open"
open_panel SpeedBsjwj
expect_exit_zero_after "the exit zone" e2e_drive click --control Labeltcqz

e2e_finish
