# Start-up to the first complete paint: the launcher against a minimal window
# of the same bitness, both timed alike by paint_timer, alternating.
# shellcheck shell=bash

# Five points of the 795 x 576 rectangle centred on the 1024 x 768 screen.
POINTS="214,196;514,396;814,576;164,616;854,136"
# paint_timer's poll of the screen: each read is a round trip to the X server
# that the measured program needs too.
POLL_MS=2
sample() {  # sample PROGRAM [ARGUMENT...]: the colours it shows at the points
    qz_wine "$E2E_MEDIA/paint_timer.exe" --points "$POINTS" "$(win "$1")" "${@:2}" |
        sed -nE 's/^colours=(.*)\r?$/\1/p' | tr -d '\r'
}
paint_once() {  # paint_once PROGRAM COLOURS [ARGUMENT...]: milliseconds
    qz_wine "$E2E_MEDIA/paint_timer.exe" --points "$POINTS" --colours "$2" --timeout-ms 30000 --poll-ms "$POLL_MS" \
        "$(win "$1")" "${@:3}" | tr -d '\r' | sed -nE 's/^paint_ms=//p'
    sleep 0.3
}
# One traced start of each x86_64 program (Wine's own timestamps; tracing
# slows everything, so these times are longer than the figures above): when
# the program file, its last DLL before the first window, the display driver
# and the theming library were loaded, and when the paint was seen, in ms
# after CreateProcess.
timeline() {  # timeline PROGRAM COLOURS: "exe=..;dlls=..;driver=..;theme=..;painted=.."
    local trace=$BENCH/trace-$1.txt
    WINEDEBUG=+timestamp,+loaddll,+process qz_wine "$E2E_MEDIA/paint_timer.exe" --points "$POINTS" \
        --colours "$2" --timeout-ms 30000 --poll-ms "$POLL_MS" "$(win "$1")" >"$trace" 2>&1
    awk -v program="$1" '
        /CreateProcessInternalW app/ && index($0, program) { split($1, t, ":"); start = t[1]; next }
        start == "" { next }
        /loaddll:build_module Loaded/ {
            split($1, t, ":"); at = (t[1] - start) * 1000
            if (index($0, program)) exe = at
            else if ($0 ~ /winex11\.drv/) { if (driver == "") driver = at }
            else if ($0 ~ /uxtheme\.dll/) { if (theme == "") theme = at }
            else if (driver == "") dlls = at
        }
        /^paint_ms=/ { sub(/\r$/, ""); split($0, p, "="); painted = p[2] }
        END { printf "exe=%.0f;dlls=%.0f;driver=%.0f;theme=%.0f;painted=%.0f\n", exe, dlls, driver, theme, painted }
    ' "$trace"
}

# bench_startup: the start-up figures, and one traced start of each program.
#   in:  BUILDS, BUILD_DIR and the session (bench_session_start), ROUNDS
#   out: the results paint-* (each program's times and the ratios of each
#        round); COLOURS_QZ, COLOURS_MIN, COLOURS_PIC, COLOURS_WIN (keyed by
#        build: what each shows at the points when finished); TIMELINE_MIN,
#        TIMELINE_QZ, TIMELINE_PIC (the traced starts, x86_64)
bench_startup() {
    local arch dir round
    # Two more baselines: picture_window, the bare window showing the same
    # picture through the launcher's decoder (what start-up costs the
    # picture's own work), and the same through the launcher's windows
    # (--windows: the owner that carries the task-bar entry, the picture's and
    # the zones' windows).
    declare -gA COLOURS_QZ COLOURS_MIN COLOURS_PIC COLOURS_WIN
    for arch in "${BUILDS[@]}"; do
        dir=${BUILD_DIR[$arch]}
        say "start-up ($arch): colours of the finished windows"
        COLOURS_MIN[$arch]=$(sample "${dir}minimal_window.exe")
        COLOURS_QZ[$arch]=$(sample "${dir}qz.exe")
        COLOURS_PIC[$arch]=$(sample "${dir}picture_window.exe")
        COLOURS_WIN[$arch]=$(sample "${dir}picture_window.exe" --windows)
        say "minimal window: ${COLOURS_MIN[$arch]}; qz.exe: ${COLOURS_QZ[$arch]}; picture window:" \
            "${COLOURS_PIC[$arch]}; with the launcher's windows: ${COLOURS_WIN[$arch]}"
        say "start-up ($arch): $ROUNDS rounds, alternating"
        for round in $(seq "$ROUNDS"); do
            ours() { record "paint-qz-$arch" "$(paint_once "${dir}qz.exe" "${COLOURS_QZ[$arch]}")"; }
            base() { record "paint-min-$arch" "$(paint_once "${dir}minimal_window.exe" "${COLOURS_MIN[$arch]}")"; }
            picture() { record "paint-pic-$arch" "$(paint_once "${dir}picture_window.exe" "${COLOURS_PIC[$arch]}")"; }
            windows() {
                record "paint-win-$arch" "$(paint_once "${dir}picture_window.exe" "${COLOURS_WIN[$arch]}" --windows)"
            }
            if [ $((round % 2)) = 1 ]; then ours; base; picture; windows; else windows; picture; base; ours; fi
            record_ratio "paint-ratio-$arch" "paint-qz-$arch" "paint-min-$arch"
            record_ratio "paint-ratio-pic-$arch" "paint-qz-$arch" "paint-pic-$arch"
            record_ratio "paint-ratio-picbase-$arch" "paint-pic-$arch" "paint-min-$arch"
            record_ratio "paint-ratio-win-$arch" "paint-qz-$arch" "paint-win-$arch"
            record_ratio "paint-ratio-winpic-$arch" "paint-win-$arch" "paint-pic-$arch"
        done
    done

    say "start-up: one traced run of each"
    TIMELINE_MIN=$(timeline minimal_window.exe "${COLOURS_MIN[x86_64]}")
    TIMELINE_QZ=$(timeline qz.exe "${COLOURS_QZ[x86_64]}")
    TIMELINE_PIC=$(timeline picture_window.exe "${COLOURS_PIC[x86_64]}")
}
