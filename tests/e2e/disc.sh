#!/usr/bin/env bash
# The launcher from its disc: the image that scripts/medium writes (the
# demo's, with the stand-in setups and backup, and the build under test at
# its root), its files as Windows reads them (Joliet) without write
# permission, as Wine's drive D: of type CD-ROM. The whole road from D:\:
# the engine's setup started from the disc, the prompt, the service, the
# panel, a folder, OK, the restore reading D:\Data\QUENTARO.bak, the success
# box, exit; and nothing written on the disc. The stand-in setups record
# their starts in QZ_STARTS_LOG, outside the disc.
#
# Usage: tests/e2e/disc.sh   (after scripts/build)
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"
source "$QZ_ROOT/scripts/lib/launcher.sh"

QZ_EXE=${QZ_EXE:-$QZ_ROOT/dist/win64/qz.exe}
e2e_require disc "$QZ_EXE" "$E2E_ENGINE" "$E2E_SETUPS/engine_setup.exe" "$E2E_SETUPS/payroll_setup.exe"

e2e_init || { echo "disc: the harness could not start" >&2; exit 1; }
build=$(dirname "$QZ_EXE")
"$QZ_ROOT/scripts/medium" --build "$build" --out "$E2E_WORK/image/qz-demo.iso" >"$E2E_WORK/medium.log" 2>&1 ||
    { cat "$E2E_WORK/medium.log" >&2; echo "disc: scripts/medium wrote no image" >&2; exit 1; }
image=$(tail -n1 "$E2E_WORK/medium.log")
disc=$E2E_WORK/cdrom
e2e_disc_insert "$image" "$disc" || { echo "disc: cannot make the disc drive D:" >&2; exit 1; }
# What lies on the disc: every name, kind, size, date and mode, every file's
# content.
disc_state() {
    (cd "$disc" && find . -printf '%p %y %s %T@ %m\n' | LC_ALL=C sort &&
        find . -type f -exec sha256sum {} + | LC_ALL=C sort)
}
before=$(disc_state)

E2E_DRIVE_C=$E2E_WORK/c
e2e_engine_start --drive "D=$disc" || { echo "disc: the engine did not start" >&2; exit 1; }
e2e_service_create mssqlserver "$E2E_SETUPS/payroll_setup.exe" ||
    { echo "disc: cannot register the service" >&2; exit 1; }
e2e_registry_import '[-HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\MSSQLServer]'
starts=$E2E_WORK/starts.log
: >"$starts"
QZ_STARTS_LOG=$(windows_path "$starts")
export QZ_STARTS_LOG
service_starts() { [ -f "$E2E_WORK/service-mssqlserver/starts.log" ] && wc -l <"$E2E_WORK/service-mssqlserver/starts.log" || echo 0; }
wait_for() {  # command...: true once the command is, within E2E_START_MS
    local deadline=$(($(e2e_now_ms) + E2E_START_MS))
    until "$@"; do
        [ "$(e2e_now_ms)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

say "drive D: is the disc"
e2e_drive drive 'D:\'
expect_key type cdrom "Wine's drive D: is a CD-ROM"
expect_true "the disc's launcher is the build under test" cmp -s "$disc/qz.exe" "$QZ_EXE"

say "the launcher starts from D:\\"
e2e_start "$disc" 'D:\qz.exe'
main_window "$E2E_START_MS" >/dev/null
expect_eq "its main window shows" 0 "$E2E_STATUS"

say "install-database: the engine's setup from the disc, the prompt, Yes, the service"
e2e_drive click --control Labelmsde >/dev/null
expect_box "the prompt" "请等待MSDE安装完成后！点击确定加载数据文件！" --title "提示！" --buttons 6,7 --timeout-ms 20000
expect_true "the engine's setup started" wait_for grep -q . "$starts"
expect_eq "the setup started is the disc's" 'D:\Msde\SETUP.EXE' "$(head -n1 "$starts" | cut -f1 | tr -d '\r' | sed 's/\\\\/\\/g')"
e2e_drive msgbox-press --id 6 >/dev/null
service_started() { [ "$(service_starts)" -ge 1 ]; }
expect_true "the system's net started the service" wait_for service_started
e2e_drive control Panel3 --visible 1 --timeout-ms 10000
expect_eq "Yes shows the settings panel" 0 "$E2E_STATUS"
if qz_32bit_emulated && qz_pe_is_32bit "$QZ_EXE"; then
    # Under qemu the 32-bit Wine dies in the emulator when the folder tree is
    # used in a process that has started a program (docs/RELIABILITY.md):
    # the rest of the road in a launcher started anew from the disc.
    expect_exit_zero_after "the launcher that started the programs" e2e_drive click --control Labeltcqz
    e2e_start "$disc" 'D:\qz.exe'
    main_window "$E2E_START_MS" >/dev/null
    expect_true "a launcher started anew from D:\\ opens the panel" open_panel
fi

say "a folder chosen, OK: the restore reads the backup on the disc"
mkdir -p "$E2E_DRIVE_C/Db"
e2e_drive click --control SpeedBlj >/dev/null
e2e_drive control Panel1 --visible 1 --timeout-ms 10000
expect_eq "the browse button opens the chooser" 0 "$E2E_STATUS"
e2e_drive tree-click --path "$(tree_path "$E2E_DRIVE_C/Db")" --timeout-ms 30000 >/dev/null
expect_eq "the folder is chosen in the tree ($E2E_ERR)" 0 "$E2E_STATUS"
e2e_drive click --control SpeedBljqd >/dev/null
press_ok
expect_box "the restore" "安装数据库成功！" --press 1
expect_true "the data file in the chosen folder" test -f "$E2E_DRIVE_C/Db/QUENTARO_data.MDF"
expect_true "the log file in the chosen folder" test -f "$E2E_DRIVE_C/Db/QUENTARO_log.LDF"
restore=$(grep -i '^restore' "$E2E_ENGINE_STATE/batches.log" | tail -n1)
expect_true "the restore read the backup from D:\\Data (got: $restore)" grep -qF "from disk='D:\\\\Data\\\\QUENTARO.bak'" <<<"$restore"

say "the payroll software's setup from the disc"
e2e_drive click --control Labelgzrj >/dev/null
payroll_started() { grep -qF 'tovk' "$starts"; }
expect_true "its setup started" wait_for payroll_started
expect_eq "the setup started is the disc's" 'D:\tovk\setup.exe' "$(grep -F tovk "$starts" | head -n1 | cut -f1 | tr -d '\r' | sed 's/\\\\/\\/g')"

expect_exit_zero_after "the exit zone" e2e_drive click --control Labeltcqz
expect_eq "nothing was written on the disc" "$before" "$(disc_state)"
chmod -R u+w "$disc"
e2e_finish
