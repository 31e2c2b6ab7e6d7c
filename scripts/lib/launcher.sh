# The launcher's own steps, as the end-to-end scenarios, the demo and the
# benchmarks take them through qzdrive: open the settings panel, press its
# OK, look at the box that comes up, name a folder of the chooser's tree.
# Sourced after scripts/lib/session.sh.
# shellcheck shell=bash

# start_launcher [FOLDER]: starts the medium's qz.exe with FOLDER (default
# the medium) as its current folder and waits for its main window, whose
# fields are then in E2E_OUT; status 1 when none shows within E2E_START_MS.
start_launcher() {
    e2e_start "${1:-$E2E_MEDIA}" "$E2E_MEDIA/qz.exe" || return 1
    main_window "$E2E_START_MS"
}

# main_window [TIMEOUT_MS]: waits up to TIMEOUT_MS (5000) for the launcher's
# main window and leaves its keys in E2E_OUT; status 1 when none comes.
main_window() { e2e_drive window --class TForm_qz --timeout-ms "${1:-5000}"; }

# open_panel [OPENER]: clicks the control that opens the settings panel (the
# install-database zone, which needs the engine registered; or the hidden
# SpeedBsjwj button, shown first) and waits until the panel is visible.
open_panel() {
    local opener=${1:-Labelmsde}
    [ "$opener" = Labelmsde ] || e2e_drive show "$opener" >/dev/null
    e2e_drive click --control "$opener" >/dev/null
    e2e_drive control Panel3 --visible 1 --timeout-ms 10000 >/dev/null
}

# close_panel: the settings panel's Back, and a wait until the panel is gone
# (a click on what lies under it reaches it only then).
close_panel() {
    e2e_drive click --control SpeedBljfh >/dev/null
    e2e_drive control Panel3 --visible 0 --timeout-ms 10000 >/dev/null
}

# press_ok: the settings panel's OK, which runs the restore.
press_ok() { e2e_drive click --control SpeedBQD >/dev/null; }

# expect_box WHAT TEXT [--title T] [--buttons IDS] [--press ID|first]
#            [--timeout-ms MS]: the message box that comes up says TEXT (and
# has that title and those button ids, "6,7"), the launcher is disabled
# meanwhile; then the box is answered with that button, or left up. Status 1
# when anything differs.
expect_box() {
    local what=$1 text=$2 title= buttons= press= timeout=60000 failed=$E2E_FAILED
    shift 2
    while [ $# -gt 0 ]; do
        case $1 in
            --title) title=$2 ;;
            --buttons) buttons=$2 ;;
            --press) press=$2 ;;
            --timeout-ms) timeout=$2 ;;
            *) e2e_warn "expect_box: unknown option $1"; return 2 ;;
        esac
        shift 2
    done
    if ! e2e_drive msgbox --timeout-ms "$timeout"; then
        e2e_fail "$what: a message box" "$text" "none: $E2E_ERR" 1
        return 1
    fi
    expect_key text "$text" "$what"
    [ -z "$title" ] || expect_key title "$title" "$what"
    [ -z "$buttons" ] || expect_key button_ids "$buttons" "$what"
    expect_key main_disabled 1 "$what: the launcher is disabled while the box is up"
    if [ -n "$press" ]; then
        [ "$press" = first ] && press=$(e2e_get button_1_id)
        e2e_drive msgbox-press --id "$press" --timeout-ms 10000 >/dev/null
        expect_eq "$what: the box closes" 0 "$E2E_STATUS"
    fi
    [ "$E2E_FAILED" -eq "$failed" ]
}

# tree_path LINUX_FOLDER: the folder's path in the launcher's folder tree, as
# qzdrive's tree commands take it: the desktop, Wine's "/" item, then each
# folder's name.
tree_path() {
    local path="桌面|/" part parts
    IFS=/ read -r -a parts <<<"${1#/}"
    for part in "${parts[@]}"; do path+="|$part"; done
    printf '%s' "$path"
}
