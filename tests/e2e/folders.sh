#!/usr/bin/env bash
# The folder chooser under Wine: the shell's folder tree as Wine's namespace
# offers it under a Chinese locale, the refused desktop items, drive roots and
# folders written into the path field, typed characters discarded, a folder
# of 1,000 subfolders, and the chosen folder used by a restore.
#
# Usage: tests/e2e/folders.sh   (after scripts/build)
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"
source "$QZ_ROOT/scripts/lib/launcher.sh"

QZ_EXE=${QZ_EXE:-$QZ_ROOT/dist/win64/qz.exe}
e2e_require folders "$QZ_EXE" "$E2E_ENGINE"

e2e_init || { echo "folders: the harness could not start" >&2; exit 1; }
e2e_media_create "$QZ_EXE"
e2e_engine_backup "$E2E_MEDIA/Data/QUENTARO.bak" || { echo "folders: no backup" >&2; exit 1; }
e2e_engine_start || { echo "folders: the engine did not start" >&2; exit 1; }
mkdir -p "$E2E_DRIVE_C/Db" "$E2E_DRIVE_C/big"
for i in $(seq -w 0 999); do mkdir "$E2E_DRIVE_C/big/d$i"; done

ok_enabled() { e2e_drive control SpeedBljqd && e2e_get enabled; }
path_field() { e2e_drive get-text EditPath && e2e_get text; }
open_chooser() {
    e2e_drive click --control SpeedBlj >/dev/null
    e2e_drive control Panel1 --visible 1 --timeout-ms 10000 >/dev/null
}

# The engine is present, so the install-database zone opens the panel.
e2e_registry_import '[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\MSSQLServer\Setup]' \
    '"SQLPath"="C:\\Program Files\\Microsoft SQL Server\\MSSQL"'
start_launcher
open_panel

say "the chooser opens on the desktop, expanded one level and selected"
expect_true "the browse button opens the chooser" open_chooser
e2e_drive tree --children
expect_key text "桌面" "the root"
expect_key selected 1 "the root is selected"
expect_key expanded 1 "the root is expanded"
say "Wine's desktop offers: $(grep '^child_' <<<"$E2E_OUT" | cut -d= -f2 | tr '\n' ' ')"
for item in 我的电脑 文档 回收站 /; do
    expect_true "the desktop lists $item" grep -qx "child_[0-9]*=$item" <<<"$E2E_OUT"
done
expect_eq "OK is enabled at start" 1 "$(ok_enabled)"

say "OK without a click takes the desktop's parsing name"
e2e_drive click --control SpeedBljqd >/dev/null
e2e_drive control Panel1 --visible 0 --timeout-ms 5000 >/dev/null
expect_eq "OK closes the chooser" 0 "$E2E_STATUS"
expect_true "the desktop's folder is written" grep -qE '^C:\\\\users\\\\[^\\]+\\\\Desktop$' <<<"$(path_field)"

say "refused desktop items"
open_chooser
for item in 我的电脑 回收站; do
    e2e_drive tree-click --path "桌面|$item" >/dev/null
    expect_eq "clicking $item disables OK" 0 "$(ok_enabled)"
    e2e_drive tree-click --path "桌面|文档" >/dev/null
    expect_eq "clicking 文档 after $item enables OK" 1 "$(ok_enabled)"
done

say "arrow moves keep OK as the last click left it; typed characters are discarded"
# In Wine's order 我的电脑 lies just above 文档.
e2e_drive tree-click --path "桌面|文档" >/dev/null
e2e_drive key ShellTreeV Up >/dev/null
e2e_drive tree
expect_key text "我的电脑" "the arrow key moved the selection onto a refused name"
expect_eq "OK stays as the click on 文档 left it" 1 "$(ok_enabled)"
e2e_drive type ShellTreeV "wxyz" --post >/dev/null
e2e_drive tree
expect_key text "我的电脑" "typed letters change nothing"
e2e_drive click --control SpeedBljqd >/dev/null
expect_eq "OK writes the refused folder's display name" "我的电脑" "$(path_field)"
open_chooser

say "a drive root keeps its separator"
e2e_drive tree-click --path "桌面|我的电脑|(C:)" >/dev/null
expect_eq "a drive enables OK" 1 "$(ok_enabled)"
e2e_drive click --control SpeedBljqd >/dev/null
expect_eq "the drive root is written" 'C:\\' "$(path_field)"

say "a folder outside the file system under another name than the four"
open_chooser
e2e_drive tree-click --path "桌面|我的电脑|控制面板" >/dev/null
expect_eq "clicking 控制面板 disables OK" 0 "$(ok_enabled)"
e2e_drive tree-click --path "桌面|我的电脑|(C:)" >/dev/null
expect_eq "clicking (C:) after it enables OK" 1 "$(ok_enabled)"

say "reopening shows the tree as it was left"
open_chooser
e2e_drive tree
expect_key text "(C:)" "the same folder is selected"

say "a folder of 1,000 subfolders"
e2e_drive tree --path "$(tree_path "$E2E_DRIVE_C/big")" --children --timeout-ms 60000
expect_key child_count 1000 "all subfolders listed"
expect_key child_1 d000 "in the shell's order"
expect_key child_1000 d999 "in the shell's order"
# The icons come from the shell when an item is first shown; a plain folder
# has the shell's folder icon (open when selected), a drive its own.
e2e_drive tree --path "$(tree_path "$E2E_DRIVE_C/big")|d999"
folder_icon=$(e2e_get image) open_icon=$(e2e_get selected_image)
e2e_drive tree --path "$(tree_path "$E2E_DRIVE_C/big")|d000"
expect_key image "$folder_icon" "one plain folder has the icon of another"
expect_key selected_image "$open_icon" "one plain folder has the open icon of another"
expect_true "a folder shows an icon of the system list: $folder_icon, $open_icon" \
    test "$folder_icon" -ge 0 -a "$open_icon" -ge 0
e2e_drive tree --path "桌面|我的电脑|(C:)"
drive_icon=$(e2e_get image)
expect_true "a drive shows its own icon ($drive_icon), not a folder's ($folder_icon)" \
    test "$drive_icon" -ge 0 -a "$drive_icon" != "$folder_icon"

say "a folder is written without a separator, and the restore uses it"
e2e_drive tree-click --path "$(tree_path "$E2E_DRIVE_C/Db")" >/dev/null
e2e_drive click --control SpeedBljqd >/dev/null
db_windows=$(windows_path "$E2E_DRIVE_C/Db")
expect_eq "the folder is written" "${db_windows//\\/\\\\}" "$(path_field)"
press_ok
expect_box "the restore into the chosen folder" "安装数据库成功！" --press 1
expect_true "the data file in the chosen folder" test -f "$E2E_DRIVE_C/Db/QUENTARO_data.MDF"
expect_true "the log file in the chosen folder" test -f "$E2E_DRIVE_C/Db/QUENTARO_log.LDF"

expect_exit_zero_after "the exit zone" e2e_drive click --control Labeltcqz
e2e_finish
