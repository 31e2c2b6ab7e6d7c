#!/usr/bin/env bash
# The launcher's main window under Wine: its frame, size, position and owner,
# the hidden panels, the picture on screen, the hot zones, and the ways the
# program ends (the exit zone, the task-bar entry's close), at 96, 120 and
# 144 dots per inch and on a screen smaller than the window.
#
# Usage: tests/e2e/main_window.sh   (after scripts/build)
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"
source "$QZ_ROOT/scripts/lib/launcher.sh"

QZ_EXE=${QZ_EXE:-$QZ_ROOT/dist/win64/qz.exe}
PICTURE_REFERENCE=$QZ_ROOT/build/native/tests/tools/picture_reference
e2e_require main_window "$QZ_EXE" "$PICTURE_REFERENCE"

e2e_init || { echo "main_window: the harness could not start" >&2; exit 1; }
# What the window must show: the picture as the launcher decodes it.
reference=$E2E_WORK/reference.ppm
"$PICTURE_REFERENCE" "$QZ_ROOT/launcher/resources/background.jpg" "$reference" ||
    { echo "main_window: cannot decode the reference picture" >&2; exit 1; }
e2e_media_create "$QZ_EXE"

# Window style bits.
WS_POPUP=0x80000000 WS_CAPTION=0x00C00000 WS_SYSMENU=0x00080000 WS_THICKFRAME=0x00040000
WS_MINIMIZEBOX=0x00020000 WS_MAXIMIZEBOX=0x00010000 WS_BORDER=0x00800000 WS_DLGFRAME=0x00400000

has_bits() { (($(e2e_get style) & $1)); }
lacks_bits() { ! (($(e2e_get style) & $1)); }

# The window shows the picture: its whole client area against the reference.
expect_picture_on_screen() {
    local what=$1 x y shot
    main_window || { e2e_fail "$what: no window" "" "" 1; return; }
    x=$(e2e_get x) y=$(e2e_get y)
    shot=$E2E_WORK/$2.png
    e2e_screenshot_rect "$shot" "$x" "$y" 795 576
    expect_close "$what: the window shows the decoded picture" 0.002 "$(e2e_image_diff "$shot" "$reference")"
}


# -------------------------------------------------------- 96 dpi, 1024 x 768

say "main window at 96 dpi"
expect_true "the main window appears" start_launcher
expect_key title "安装程序"
expect_key class TForm_qz
expect_key x 114 "centred: (1024 - 795) div 2"
expect_key y 96 "centred: (768 - 576) div 2"
expect_key width 795
expect_key height 576
expect_key client_width 795 "no frame: client equals window"
expect_key client_height 576
expect_true "a pop-up window" has_bits $WS_POPUP
expect_true "no caption, border, frame or window menu" \
    lacks_bits $((WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME))
expect_key owner_class QzApplication
expect_key owner_title "安装程序"

e2e_drive window --class QzApplication
expect_key width 0 "the application's own window"
expect_key height 0 "the application's own window"
expect_key title "安装程序" "the application's own window"
expect_true "its window menu offers minimise and close" has_bits $((WS_SYSMENU | WS_MINIMIZEBOX))
expect_true "its window menu offers no maximise or size" lacks_bits $((WS_MAXIMIZEBOX | WS_THICKFRAME))

for panel in Panel3 Panel1 SpeedBsjwj; do
    e2e_drive control "$panel"
    expect_key visible 0 "$panel hidden at start"
done
# Every control has its window, those on the main window stacked as the layout
# lists them (later rows above earlier ones, the panels above all), top first.
e2e_drive controls
expect_key count 23 "every control but the two data components has a window"
main_hwnd=$(e2e_get main)
stacked=$(awk -F= -v main="$main_hwnd" '
    $1 ~ /^control_[0-9]+_name$/ { split($1, k, "_"); name[k[2]] = $2 }
    $1 ~ /^control_[0-9]+_parent$/ { split($1, k, "_"); parent[k[2]] = $2 }
    END { for (i = 1; i in name; i++) if (parent[i] == main) printf "%s ", name[i] }' <<<"$E2E_OUT")
expect_eq "the main window's controls, top first" \
    "Panel1 Panel3 Labeltcqz Labelgzrj Labelmsde SpeedBsjwj Image1 " "$stacked"
for zone in Labelgzrj:92,200,281,257 Labelmsde:92,304,281,361 Labeltcqz:92,408,281,465; do
    e2e_drive control "${zone%%:*}"
    expect_key visible 1 "${zone%%:*}"
    expect_key text "" "${zone%%:*} has no caption"
    expect_key main_rect "${zone#*:}" "${zone%%:*} lies over its painted button"
done
# Values come escaped from the driver: "\" reads as "\\".
for field in Editserver:"(local)" Editusername:sa EditPassW: 'EditPath:C:\\'; do
    e2e_drive get-text "${field%%:*}"
    expect_key text "${field#*:}" "${field%%:*} preset when the window showed"
done

expect_picture_on_screen "at start" start-96
# Kept where a reader of the build finds it.
cp "$E2E_WORK/start-96.png" "$QZ_ROOT/build/e2e/main-window.png"

say "clicks outside the zones"
# Client points: top left, the globe, between two zones, right of a zone,
# just above and just left of the exit zone.
for point in 10,10 600,300 186,280 300,330 186,407 91,436; do
    e2e_drive click --x "${point%,*}" --y "${point#*,}"
done
expect_true "the launcher still runs" e2e_running
expect_status "no message box" 0 e2e_drive wait-no-msgbox --any --timeout-ms 1000
e2e_drive control Panel3
expect_key visible 0 "Panel3 after clicks outside the zones"
e2e_drive control Panel1
expect_key visible 0 "Panel1 after clicks outside the zones"
expect_picture_on_screen "after clicks outside the zones" outside-96

say "the exit zone"
# Its top-left pixel is inside.
expect_exit_zero_after "a click in the exit zone" e2e_drive click --x 92 --y 408

if e2e_part taskbar-close; then
    say "the task-bar entry's close"
    expect_true "the main window appears again" start_launcher
    expect_exit_zero_after "close from the application's window menu" \
        e2e_drive syscommand --class QzApplication --command close
fi

if e2e_part second-start; then
    say "started twice: the second start brings the first to the front and ends"
    expect_true "the main window appears" start_launcher
    first=$E2E_PID first_window=$(e2e_get hwnd)
    e2e_drive syscommand --class QzApplication --command minimize >/dev/null
    # A launcher of another medium is a second start too.
    mkdir -p "$E2E_WORK/other-medium"
    cp "$E2E_MEDIA/qz.exe" "$E2E_WORK/other-medium/qz.exe"
    e2e_start "$E2E_WORK/other-medium" "$E2E_WORK/other-medium/qz.exe"
    if e2e_wait_exit "$E2E_START_MS"; then
        expect_eq "the second start: exit code" 0 "$E2E_EXIT_CODE"
    else
        e2e_fail "the second start ends" "an exit" "still running" 1
    fi
    E2E_PID=$first
    expect_true "the first launcher runs on" e2e_running
    main_window
    expect_key count 1 "one launcher window"
    expect_key hwnd "$first_window" "the first launcher's window"
    expect_key visible 1 "restored from the task bar"
    e2e_drive focus
    expect_key foreground "$first_window" "the first launcher is in front"
    # Its window closed, a launcher is no longer running, whatever its process
    # still does: the next start opens its own window.
    e2e_drive click --control Labeltcqz >/dev/null
    e2e_start "$E2E_MEDIA" "$E2E_MEDIA/qz.exe"
    second=$E2E_PID
    E2E_PID=$first
    e2e_wait_exit "$E2E_START_MS" >/dev/null
    E2E_PID=$second
    main_window "$E2E_START_MS"
    expect_eq "a start after the exit opens its own window" 0 "$E2E_STATUS"
    expect_true "a start after the exit opens a new window" test "$(e2e_get hwnd)" != "$first_window"
    expect_exit_zero_after "the new launcher's exit zone" e2e_drive click --control Labeltcqz
fi

if e2e_part name-held; then
    # Another program holds the single-instance name and shows no window: the
    # launcher must not end without a word. Held as any program could, it is
    # waited for a few seconds, then the launcher runs; made with an access
    # list that shuts everyone out, the launcher runs at once.
    squatter=$QZ_ROOT/build/win64/tests/e2e/name_squatter.exe
    for way in held shut-out; do
        say "the single-instance name $way by a program without a window"
        e2e_start "$E2E_WORK" "$squatter" "$way" 120000
        holder=$E2E_PID
        sleep 2
        if e2e_running "$holder"; then
            started=$(e2e_now_ms)
            expect_true "$way: the launcher's main window appears" start_launcher
            echo "  $way: the window came after $(($(e2e_now_ms) - started)) ms"
            expect_exit_zero_after "$way: the exit zone" e2e_drive click --control Labeltcqz
        else
            e2e_reap "$holder"
            e2e_fail "$way: the holder runs" "running" "ended with $E2E_EXIT_CODE" 1
        fi
        e2e_stop_pid "$holder" 2000
    done
fi

# -------------------------------------------------------- 120 and 144 dpi

if e2e_part dpi; then
    for dpi in 120 144; do
        say "main window at $dpi dpi"
        e2e_set_dpi "$dpi"
        expect_true "the main window appears at $dpi dpi" start_launcher
        e2e_drive dpi
        expect_key dpi "$dpi" "Wine's setting"
        main_window
        expect_key width 795 "at $dpi dpi"
        expect_key height 576 "at $dpi dpi"
        for zone in Labelgzrj:92,200,281,257 Labelmsde:92,304,281,361 Labeltcqz:92,408,281,465; do
            e2e_drive control "${zone%%:*}"
            expect_key main_rect "${zone#*:}" "${zone%%:*} at $dpi dpi"
        done
        expect_picture_on_screen "at $dpi dpi" "start-$dpi"
        expect_exit_zero_after "exit zone at $dpi dpi" e2e_drive click --control Labeltcqz
    done
    e2e_set_dpi 96
fi

# -------------------------------------------------------- a smaller screen

if e2e_part small-screen; then
    say "main window on a 640 x 480 screen"
    e2e_prefix_stop
    e2e_xvfb_stop
    e2e_xvfb_start 640x480x24
    expect_true "the main window appears on a small screen" start_launcher
    expect_key x -77 "(640 - 795) div 2"
    expect_key y -48 "(480 - 576) div 2"
    expect_key width 795
    expect_key height 576
    # The exit zone lies on screen at (15, 360); click its middle.
    expect_exit_zero_after "exit zone on a small screen" e2e_drive click --x 186 --y 436
fi

e2e_finish
