#!/usr/bin/env bash
# Self-test of the end-to-end harness: starts a private X server and Wine
# prefix, runs e2e_fixture.exe (a small program with the launcher's window
# conventions) and drives it through every qzdrive command.
#
# Usage: tests/e2e/selftest.sh   (after a win64 build; E2E_BIN names another
#        folder holding qzdrive.exe and e2e_fixture.exe)
# Ends with "N passed, M failed"; exit status 0 only when nothing failed.
# shellcheck disable=SC2119  # e2e_init is called without this script's arguments
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/scripts/lib/session.sh"

FIXTURE=$E2E_BIN/e2e_fixture.exe
[ -f "$FIXTURE" ] || { echo "selftest: no $FIXTURE: build the win64 preset first" >&2; exit 1; }
started=$(e2e_now_ms)

e2e_init || { echo "selftest: the harness could not start" >&2; exit 1; }
say "display $DISPLAY, prefix $QZ_WINEPREFIX"

# ---------------------------------------------------------------- harness pieces

expect_eq "DISPLAY is the private server's" 1 "$([[ $DISPLAY =~ ^:[0-9]+$ ]] && echo 1)"
expect_true "Xvfb runs" kill -0 "$E2E_XVFB_PID"
expect_true "the prefix is a private copy" test "$QZ_WINEPREFIX" != "$E2E_SOURCE_PREFIX" -a -f "$QZ_WINEPREFIX/system.reg"

expect_true "dpi" e2e_drive dpi
expect_key dpi 96
expect_key screen_width 1024
expect_key screen_height 768
expect_true "set 144 dpi" e2e_set_dpi 144
e2e_drive dpi
expect_key dpi 144 "after e2e_set_dpi 144"
e2e_set_dpi 96
e2e_drive dpi
expect_key dpi 96 "after e2e_set_dpi 96"

e2e_media_create "$FIXTURE"
printf 'backup' | e2e_media_add 'Data/QUENTARO.bak'
e2e_media_add 'Msde/SETUP.EXE' "$FIXTURE"
expect_true "media: qz.exe" test -f "$E2E_MEDIA/qz.exe"
expect_eq "media: file from stdin" backup "$(cat "$E2E_MEDIA/Data/QUENTARO.bak")"
expect_true "media: copied file" cmp -s "$FIXTURE" "$E2E_MEDIA/Msde/SETUP.EXE"

expect_eq "e2e_get reads a key" 'b=c' "$(e2e_get a $'x=1\na=b=c')"
expect_status "e2e_get misses an absent key" 1 e2e_get z $'x=1'
expect_eq "e2e_rect_field" 30 "$(e2e_rect_field 10,20,30,40 2)"
# A scenario that lacks a file ends at once and says which; one with its
# files goes on. (In a subshell: the harness's exit trap stays out of it.)
expect_eq "e2e_require ends a scenario that lacks a file" \
    "sample: no $E2E_WORK/missing.exe: run scripts/build first" \
    "$( (e2e_require sample "$FIXTURE" "$E2E_WORK/missing.exe" 2>&1; echo "went on") )"
expect_eq "e2e_require lets a scenario that has its files go on" "went on" \
    "$( (e2e_require sample "$FIXTURE" "$E2E_MEDIA/qz.exe"; echo "went on") )"

# ---------------------------------------------------------------- usage errors

expect_status "no command is a usage error" 2 e2e_drive
expect_status "an unknown command is a usage error" 2 e2e_drive frobnicate
expect_status "window without a filter is a usage error" 2 e2e_drive window
expect_status "an unknown option is a usage error" 2 e2e_drive dpi --bogus
expect_status "msgbox-press needs --id or --text" 2 e2e_drive msgbox-press
expect_true "help" e2e_drive help
expect_true "help lists the commands" grep -q 'msgbox-press' <<<"$E2E_OUT"

# A process that ends with a status and no word: one that never marked its
# start (cmd.exe stands in for a start that Wine cut short) is started once
# more and then reported as such; qzdrive itself marks every start.
drive_silent() {  # status|report|warnings of a run that ends silently
    local warnings=$E2E_WORK/silent-warnings
    E2E_DRIVER='C:\windows\system32\cmd.exe' e2e_drive /c exit 1 2>"$warnings"
    echo "$E2E_STATUS|$E2E_ERR|$(grep -c 'started again' "$warnings")"
}
expect_eq "a process ended before it started: run twice, then reported" \
    "1|(qzdrive ended before it started, twice; status 1)|1" "$(drive_silent)"
QZDRIVE_STARTED="$(windows_path "$E2E_WORK")\\qzdrive.mark" qz_wine "$E2E_DRIVER" dpi >/dev/null 2>&1
expect_true "qzdrive marks its start where QZDRIVE_STARTED says" test -e "$E2E_WORK/qzdrive.mark"

# ---------------------------------------------------------------- the main window

# The fixture runs from the media folder, as the launcher will.
e2e_start "$E2E_MEDIA" "$E2E_MEDIA/qz.exe"
fixture_pid=$E2E_PID
expect_true "the main window appears" e2e_drive window --class TForm_qz --timeout-ms 20000
main=$(e2e_get hwnd)
main_x=$(e2e_get x)
main_y=$(e2e_get y)
windows_pid=$(e2e_get pid)
expect_key title '财务软件安装'
expect_key class TForm_qz
expect_key width 480
expect_key height 320
expect_key client_width 480
expect_key client_height 320
expect_key rect "$main_x,$main_y,$((main_x + 480)),$((main_y + 320))"
expect_key x 272 "centred"
expect_key visible 1
expect_key enabled 1
expect_key owner_title '安装程序'
expect_key owner_class QzFixtureOwner
expect_key exstyle 0x0
style=$(e2e_get style)
expect_eq "WS_POPUP set" 1 $(((style & 0x80000000) != 0))
expect_eq "no caption" 0 $(((style & 0x00C00000) != 0))
owner=$(e2e_get owner)

expect_true "window by Chinese title" e2e_drive window --title '财务软件安装'
expect_key hwnd "$main"
expect_true "window by a word of its title" e2e_drive window --title-contains '软件' --pid "$windows_pid"
expect_key hwnd "$main"
expect_true "the zero-size owner" e2e_drive window --class QzFixtureOwner
expect_key hwnd "$owner"
expect_key width 0
expect_key height 0
before=$(e2e_now_ms)
expect_status "a missing window times out" 1 e2e_drive window --class NoSuchClass --timeout-ms 400
expect_true "the time-out is explained" grep -q 'NoSuchClass' <<<"$E2E_ERR"
expect_true "the time-out is kept" test $(($(e2e_now_ms) - before)) -ge 400

expect_true "windows" e2e_drive windows
expect_true "windows lists the main window" grep -qx "window_[0-9]*_hwnd=$main" <<<"$E2E_OUT"
expect_true "windows lists the owner" grep -qx "window_[0-9]*_class=QzFixtureOwner" <<<"$E2E_OUT"

# ---------------------------------------------------------------- named controls

expect_true "controls" e2e_drive controls
expect_key count 7
expect_key main "$main"

expect_true "control label" e2e_drive control label
expect_key name label
expect_key class Static
expect_key text '就绪'
expect_key visible 1
expect_key enabled 1
expect_key main_rect 20,20,320,44
expect_key parent "$main"
expect_key parent_rect 20,20,320,44
expect_key rect "$((main_x + 20)),$((main_y + 20)),$((main_x + 320)),$((main_y + 44))"
expect_key width 300
expect_key height 24

expect_true "control nestedEdit (inside the panel)" e2e_drive control nestedEdit
expect_key class Edit
expect_key parent_x 10
expect_key parent_y 40
expect_key parent_rect 10,40,160,64
expect_key main_x 30
expect_key main_y 150
expect_key x $((main_x + 30))
expect_key y $((main_y + 150))
nested_parent=$(e2e_get parent)
e2e_drive control panel
expect_eq "nestedEdit's parent is the panel" "$(e2e_get hwnd)" "$nested_parent"

expect_true "names ignore case" e2e_drive control USEREDIT
expect_key name userEdit
expect_true "control hiddenLabel" e2e_drive control hiddenLabel
expect_key visible 0
expect_key text '隐藏'
expect_true "waiting for visible 0" e2e_drive control hiddenLabel --visible 0
expect_status "hiddenLabel never becomes visible" 1 e2e_drive control hiddenLabel --visible 1 --timeout-ms 300
expect_true "the mismatch is explained" grep -q 'visible is 0' <<<"$E2E_ERR"
expect_true "control disabledButton" e2e_drive control disabledButton --enabled 0
expect_key enabled 0
expect_key class Button
expect_status "a missing control times out" 1 e2e_drive control noSuchControl --timeout-ms 300

# ---------------------------------------------------------------- text and keys

expect_true "get-text" e2e_drive get-text userEdit
expect_key text '初始文本'
expect_true "set-text" e2e_drive set-text userEdit '新的文本'
expect_key text '新的文本'
# WM_SETTEXT leaves an edit's caret at the start: typing goes there.
expect_true "type (sent, at the caret)" e2e_drive type userEdit '前'
expect_key text '前新的文本'
expect_true "type --append" e2e_drive type userEdit --append '，追加😀'
expect_key typed 5 "a character outside the BMP is two UTF-16 units"
expect_key text '前新的文本，追加😀'
expect_true "type --post" e2e_drive type userEdit --post 'Ab'
expect_key text '前新的文本，追加😀Ab'
expect_true "type --replace" e2e_drive type userEdit --replace '新的文本'
expect_key text '新的文本'
expect_true "type --post --append" e2e_drive type userEdit --post --append '，追加😀Ab'
expect_key text '新的文本，追加😀Ab'
expect_true "key Enter (posted)" e2e_drive key userEdit Enter
expect_key vk 0xD
expect_true "Enter reached the program" e2e_drive control label --text '回车:新的文本，追加😀Ab' --timeout-ms 3000
expect_status "an unknown key is a usage error" 2 e2e_drive key userEdit NoSuchKey
expect_true "text with a line break is escaped" e2e_drive set-text label $'一\n二\\三'
expect_key text '一\n二\\三'

# ---------------------------------------------------------------- clicks

expect_true "click a button" e2e_drive click --control okButton
expect_key target_name okButton
expect_key x $((main_x + 240 + 50))
expect_key y $((main_y + 60 + 14))
expect_key cursor_x $((main_x + 240 + 50))
expect_true "the button took the click" e2e_drive control label --text '确定 1' --timeout-ms 3000
expect_true "post-click a button" e2e_drive post-click --control okButton
expect_true "the button took the posted click" e2e_drive control label --text '确定 2' --timeout-ms 3000
expect_true "click in the main window" e2e_drive click --x 200 --y 240
expect_key target "$main"
expect_true "the click landed on 200,240" e2e_drive control label --text '点击 200,240' --timeout-ms 3000
expect_true "post-click in the main window" e2e_drive post-click --x 211 --y 243
expect_true "the posted click landed on 211,243" e2e_drive control label --text '点击 211,243' --timeout-ms 3000
# A static control lets clicks through to its parent.
expect_true "click at a point of a control" e2e_drive click --control label --x 10 --y 5
expect_key target_name label
expect_true "the click went through the label" e2e_drive control label --text '点击 30,25' --timeout-ms 3000
expect_status "click needs a place" 2 e2e_drive click

# A real click gives the keyboard focus; input keys then go there.
expect_true "click the edit" e2e_drive click --control userEdit
expect_true "focus" e2e_drive focus
expect_key focus_name userEdit
expect_key active "$main"
expect_true "key --input Escape" e2e_drive key --input Escape
expect_true "Escape reached the focused edit" e2e_drive control userEdit --text '' --timeout-ms 3000

# ---------------------------------------------------------------- pictures

shot1=$E2E_WORK/screen1.png
shot2=$E2E_WORK/screen2.png
expect_true "screenshot" e2e_screenshot "$shot1"
expect_eq "screenshot size" '1024x768' "$(identify -format '%wx%h' "$shot1")"
expect_eq "the ask area is red" C03030 "$(e2e_pixel "$shot1" $((main_x + 24)) $((main_y + 253)))"
expect_eq "the exit area is blue" 3050C0 "$(e2e_pixel "$shot1" $((main_x + 344)) $((main_y + 253)))"
expect_eq "the background" D8E4F0 "$(e2e_pixel "$shot1" $((main_x + 470)) $((main_y + 310)))"
e2e_screenshot_rect "$shot2" "$main_x" "$main_y" 480 320
expect_eq "screen rectangle size" '480x320' "$(identify -format '%wx%h' "$shot2")"
e2e_crop "$shot1" "$main_x" "$main_y" 480 320 "$E2E_WORK/main1.png"
# The two pictures may differ by the edit's blinking caret (1 x 16 pixels).
expect_close "the same window twice" 0.02 "$(e2e_image_diff "$E2E_WORK/main1.png" "$shot2")"
e2e_crop "$shot1" $((main_x + 20)) $((main_y + 250)) 120 40 "$E2E_WORK/ask.png"
e2e_crop "$shot1" $((main_x + 340)) $((main_y + 250)) 120 40 "$E2E_WORK/exit.png"
diff=$(e2e_image_diff "$E2E_WORK/ask.png" "$E2E_WORK/exit.png")
expect_true "different areas differ ($diff)" awk -v d="$diff" 'BEGIN { exit !(d > 0.1) }'
expect_status "images of different sizes cannot be compared" 1 e2e_image_diff "$shot1" "$shot2" 2>/dev/null

# ---------------------------------------------------------------- message boxes

expect_status "no message box yet" 1 e2e_drive msgbox --timeout-ms 300
expect_true "wait-no-msgbox when there is none" e2e_drive wait-no-msgbox --timeout-ms 300

expect_true "click the ask area" e2e_drive click --x 80 --y 270
expect_true "msgbox" e2e_drive msgbox --timeout-ms 5000
box=$(e2e_get hwnd)
expect_key title '提示！'
expect_key text '确定要继续吗？\n第二行'
expect_key owner "$main"
expect_key owner_class TForm_qz
expect_key main "$main"
expect_key main_disabled 1
expect_key buttons 2
expect_key button_ids 6,7
expect_key button_1_id 6
expect_key button_1_text '是(&Y)'
expect_key button_2_id 7
expect_key button_2_text '否(&N)'
expect_key default_button 7
expect_key pid "$windows_pid"
expect_true "the box is a #32770 window" e2e_drive window --class '#32770' --title '提示！'
expect_key hwnd "$box"
expect_true "screenshot with the box" e2e_screenshot "$E2E_WORK/box.png"
expect_status "wait-no-msgbox times out while it is up" 1 e2e_drive wait-no-msgbox --timeout-ms 300
expect_status "a missing button" 1 e2e_drive msgbox-press --text '取消' --timeout-ms 300
expect_true "msgbox-press --text 否" e2e_drive msgbox-press --text '否'
expect_key pressed_id 7
expect_key closed 1
expect_true "wait-no-msgbox" e2e_drive wait-no-msgbox
expect_true "the program saw No" e2e_drive control label --text '答案:否' --timeout-ms 3000
e2e_drive window --class TForm_qz
expect_key enabled 1 "the main window is enabled again"

expect_true "post-click the ask area" e2e_drive post-click --x 80 --y 270
expect_true "msgbox of the process" e2e_drive msgbox --pid "$windows_pid" --title '提示！'
expect_true "msgbox-press --id 6" e2e_drive msgbox-press --id 6
expect_key pressed_text '是(&Y)'
expect_true "the program saw Yes" e2e_drive control label --text '答案:是' --timeout-ms 3000

expect_true "click the ask area again" e2e_drive click --x 80 --y 270
expect_true "msgbox-press --click --text 否(N)" e2e_drive msgbox-press --click --text '否(N)'
expect_key pressed_id 7
expect_true "the program saw the clicked No" e2e_drive control label --text '答案:否' --timeout-ms 3000

expect_true "click the ask area once more" e2e_drive click --x 80 --y 270
expect_true "msgbox --any" e2e_drive msgbox --any
expect_key title '提示！'
expect_true "msgbox-press --no-wait" e2e_drive msgbox-press --id 6 --no-wait
expect_true "wait-gone --hwnd (the box)" e2e_drive wait-gone --hwnd "$(e2e_get hwnd)"
expect_true "the program saw Yes again" e2e_drive control label --text '答案:是' --timeout-ms 3000

# ---------------------------------------------------------------- exit

expect_status "wait-gone times out while the window is up" 1 e2e_drive wait-gone --hwnd "$main" --timeout-ms 300
expect_true "click the exit area" e2e_drive click --x 400 --y 270
expect_true "the fixture exits" e2e_wait_exit 10000 "$fixture_pid"
expect_eq "exit code" 0 "$E2E_EXIT_CODE"
expect_true "wait-gone --hwnd" e2e_drive wait-gone --hwnd "$main"
expect_key gone 1
expect_true "wait-gone --class" e2e_drive wait-gone --class TForm_qz
expect_status "windows without a launcher" 1 e2e_drive windows
expect_status "control without a launcher" 1 e2e_drive control label --timeout-ms 200

# A second run: the exit code of the program, through a posted click.
e2e_start "$E2E_WORK" "$FIXTURE" --exit-code 5
expect_true "the second run shows its window" e2e_drive window --class TForm_qz --timeout-ms 20000
expect_true "e2e_running" e2e_running
expect_status "e2e_wait_exit times out while it runs" 1 e2e_wait_exit 200 2>/dev/null
expect_true "post-click the exit area" e2e_drive post-click --x 400 --y 270
expect_true "the second run exits" e2e_wait_exit 10000
expect_eq "exit code of the second run" 5 "$E2E_EXIT_CODE"
expect_true "its window is gone" e2e_drive wait-gone --class TForm_qz

# What a failed check reports: whether the program runs, or its end and exit
# code (kept for a later wait: a child is reaped once), the last qzdrive call
# and its answer, the engine's last events. Reports go to a file, from this
# shell (a subshell cannot reap this shell's children).
report=$E2E_WORK/report.txt
fail_quietly() {  # WHAT: a failure reported into $report, not counted
    local failed=$E2E_FAILED
    e2e_fail "$1" yes no >"$report"
    reported=$((E2E_FAILED - failed))
    E2E_FAILED=$failed
}
e2e_start "$E2E_WORK" "$FIXTURE" --exit-code 3
expect_true "a third run shows its window" e2e_drive window --class TForm_qz --timeout-ms 20000
fail_quietly "while it runs"
expect_eq "a failure is counted once" 1 "$reported"
expect_true "the report says the program runs" grep -qxF "  program (pid $E2E_PID): running" "$report"
expect_true "post-click the exit area of the third run" e2e_drive post-click --x 400 --y 270
expect_true "the third run ends" e2e_drive wait-gone --class TForm_qz
deadline=$(($(e2e_now_ms) + 10000))
while kill -0 "$E2E_PID" 2>/dev/null && [ "$(e2e_now_ms)" -lt "$deadline" ]; do sleep 0.05; done
e2e_drive window --class TForm_qz --timeout-ms 100
E2E_ENGINE_STATE=$E2E_WORK/engine-report
mkdir -p "$E2E_ENGINE_STATE"
printf '12:00:00.001 #7 login refused: wrong password for '"'sa'"'\n' >"$E2E_ENGINE_STATE/events.log"
fail_quietly "after it ended"
E2E_ENGINE_STATE=
expect_true "the report says the program ended, and how" \
    grep -qxF "  program (pid $E2E_PID): ended with exit code 3" "$report"
expect_true "the report gives qzdrive's last call and its message" \
    grep -qE '^  qzdrive window --class TForm_qz --timeout-ms 100 -> status 1: .+' "$report"
expect_true "the report gives the engine's last events" \
    grep -qF "  | 12:00:00.001 #7 login refused: wrong password for 'sa'" "$report"
expect_true "the exit code is there for a later wait" e2e_wait_exit 100
expect_eq "the exit code of the third run" 3 "$E2E_EXIT_CODE"

say "self-test took $((($(e2e_now_ms) - started) / 1000)) s"
e2e_finish
