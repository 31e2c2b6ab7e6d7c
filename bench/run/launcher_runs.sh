# Idle, memory and the folder tree: one launcher run per round and build.
# shellcheck shell=bash

# Processor time of a Linux process, in ms: utime+stime of /proc/PID/stat
# (10 ms ticks) and the sum of its threads' run time in schedstat (ns).
cpu_stat_ms() { awk -v hz="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); print ($12 + $13) * 1000 / hz }' "/proc/$1/stat"; }
cpu_sched_ms() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.3f", s / 1e6 }'; }
hwm_kb() { sed -nE 's/^VmHWM:[[:space:]]+([0-9]+) kB/\1/p' "/proc/$1/status"; }
value_of() { tr -d '\r' | sed -nE "s/^$1=//p"; }

# idle_figure PID NAME: the processor time of 10 s untouched.
idle_figure() {
    local s0 s1 n0 n1
    s0=$(cpu_stat_ms "$1") n0=$(cpu_sched_ms "$1")
    sleep 10
    s1=$(cpu_stat_ms "$1") n1=$(cpu_sched_ms "$1")
    record "idle-$2-stat" "$(awk -v a="$s0" -v b="$s1" 'BEGIN { print b - a }')"
    record "idle-$2-sched" "$(awk -v a="$n0" -v b="$n1" 'BEGIN { print b - a }')"
}

# tree_expand CLASS COUNT SERIES: tree_timer expands the selected item of the
# tree in the window of CLASS (the launcher's: TForm_qz) and records its times.
tree_expand() {
    local class=() started ended
    [ "$1" = TForm_qz ] || class=(--class "$1")
    started=$(now_ms)
    if ! qz_wine "$E2E_MEDIA/tree_timer.exe" --expect "$2" --timeout-ms 120000 "${class[@]}" >"$E2E_WORK/tree.out" \
        2>"$E2E_WORK/tree.err"; then
        e2e_warn "$3: tree_timer failed: $(tr -d '\r' <"$E2E_WORK/tree.err" | tr '\n' ' ')"
        return
    fi
    ended=$(now_ms)
    [ "$(value_of children <"$E2E_WORK/tree.out")" = "$2" ] || e2e_warn "$3: not $2 children"
    [ "$(value_of was_expanded <"$E2E_WORK/tree.out")" = 0 ] || e2e_warn "$3: the item was expanded before"
    record "$3-$2" "$(value_of expand_ms <"$E2E_WORK/tree.out")"
    record "$3-returned-$2" "$(value_of returned_ms <"$E2E_WORK/tree.out")"
    record "$3-shown-$2" "$(value_of shown_ms <"$E2E_WORK/tree.out")"
    record "$3-run-$2" "$((ended - started))"
}

# launcher_run ARCH ROUND: one run of the build's launcher and its baselines.
launcher_run() {
    local arch=$1 round=$2 dir=${BUILD_DIR[$1]} pid count folder
    # The baseline's memory.
    e2e_start "$E2E_MEDIA" "$E2E_MEDIA/${dir}minimal_window.exe"
    e2e_drive window --class QzBenchMinimal --timeout-ms 30000 >/dev/null
    sleep 1
    record "mem-min-$arch" "$(hwm_kb "$E2E_PID")"
    e2e_stop_pid "$E2E_PID" 5000
    # What a bare program pays for the same work, for the report's profile:
    # the picture; with a hidden tree view (the common controls); with the
    # panels' texts in the Song face as well.
    local variant
    for variant in "pic:" "pic-tree:--tree" "pic-tree-text:--tree --text"; do
        # shellcheck disable=SC2086 # the options are words
        e2e_start "$E2E_MEDIA" "$E2E_MEDIA/${dir}picture_window.exe" ${variant#*:}
        if e2e_drive window --class QzBenchPicture --timeout-ms 30000 >/dev/null; then
            sleep 1
            record "mem-${variant%%:*}-$arch" "$(hwm_kb "$E2E_PID")"
        else
            e2e_warn "$arch round $round: no picture window (${variant#*:})"
        fi
        e2e_stop_pid "$E2E_PID" 5000
    done

    e2e_start "$E2E_MEDIA" "$E2E_MEDIA/${dir}qz.exe"
    pid=$E2E_PID
    if ! e2e_drive window --class TForm_qz --timeout-ms 30000 >/dev/null; then
        e2e_warn "$arch round $round: no launcher window"
        e2e_stop_pid "$pid" 5000
        return
    fi
    sleep 1
    record "mem-qz-start-$arch" "$(hwm_kb "$pid")"
    record_difference "mem-start-extra-$arch" "mem-qz-start-$arch" "mem-min-$arch"
    local idle=0
    [ "$arch" = x86_64 ] && [ "$round" -le "$IDLE_ROUNDS" ] && idle=1
    [ $idle = 1 ] && idle_figure "$pid" main

    e2e_drive show SpeedBsjwj >/dev/null
    e2e_drive click --control SpeedBsjwj >/dev/null
    e2e_drive control Panel3 --visible 1 --timeout-ms 10000 >/dev/null ||
        e2e_warn "$arch round $round: the settings panel did not show"
    sleep 1
    [ $idle = 1 ] && idle_figure "$pid" panel

    e2e_drive click --control SpeedBlj >/dev/null
    e2e_drive control Panel1 --visible 1 --timeout-ms 10000 >/dev/null ||
        e2e_warn "$arch round $round: the folder chooser did not show"
    sleep 1
    record "mem-qz-chooser-$arch" "$(hwm_kb "$pid")"
    record_difference "mem-chooser-extra-$arch" "mem-qz-chooser-$arch" "mem-min-$arch"

    for count in 1000 10000; do
        folder=$FOLDERS/big$count
        ours() {
            if e2e_drive tree-select --path "$(tree_path "$folder")" --timeout-ms 60000 >/dev/null; then
                tree_expand TForm_qz $count "tree-$arch"
            else
                e2e_warn "$arch round $round: cannot select big$count in the tree: $E2E_ERR"
            fi
        }
        # The baseline, measured from outside exactly alike: bare_tree
        # lists the folder and fills its tree when tree_timer expands it.
        base() {
            local launcher=$E2E_PID
            e2e_start "$E2E_MEDIA" "$E2E_MEDIA/bare_tree.exe" --timeout-ms 300000 "$(windows_path "$folder")"
            if e2e_drive window --class QzBenchBareTree --timeout-ms 30000 >/dev/null; then
                tree_expand QzBenchBareTree $count "bare-tree-$arch"
                # What a bare program with the shell's image list and a
                # filled tree holds: a reference for the chooser's memory.
                record "mem-bare-tree-$arch-$count" "$(hwm_kb "$E2E_PID")"
            else
                e2e_warn "$arch round $round: no bare tree window"
            fi
            e2e_stop_pid "$E2E_PID" 5000
            E2E_PID=$launcher
        }
        # The bare listing alone, for the table of the tree's parts.
        listing() {
            qz_wine "$E2E_MEDIA/shell_list.exe" "$(windows_path "$folder")" >"$E2E_WORK/list.out"
            [ "$(value_of count <"$E2E_WORK/list.out")" = $count ] || e2e_warn "bare listing: not $count folders"
            record "list-$count" "$(value_of list_ms <"$E2E_WORK/list.out")"
        }
        if [ $((round % 2)) = 1 ]; then ours; base; else base; ours; fi
        record_ratio "tree-ratio-$arch-$count" "tree-$arch-$count" "bare-tree-$arch-$count"
        [ "$arch" = x86_64 ] && listing
    done
    if [ $idle = 1 ]; then
        # The same listing through qzdrive (its own cost included), for comparison.
        local started
        started=$(now_ms)
        e2e_drive tree --path "$(tree_path "$FOLDERS/big10000")" --children --timeout-ms 120000 >/dev/null
        record drive-10000 "$(($(now_ms) - started))"
    fi
    e2e_stop_pid "$pid" 5000
}

# bench_launcher_runs: idle, memory and the folder tree, each build's launcher
# run TREE_ROUNDS times with its baselines.
#   in:  BUILDS, BUILD_DIR and the session (bench_session_start), TREE_ROUNDS,
#        IDLE_ROUNDS
#   out: the results idle-*, mem-*, tree-*, bare-tree-*, list-*, drive-*;
#        FOLDERS, the folders of 1,000 and 10,000 subfolders listed
bench_launcher_runs() {
    local arch round
    FOLDERS=$E2E_WORK/folders
    mkdir -p "$FOLDERS/big1000" "$FOLDERS/big10000"
    (cd "$FOLDERS/big1000" && mkdir d{0000..0999})
    (cd "$FOLDERS/big10000" && mkdir d{00000..09999})
    for arch in "${BUILDS[@]}"; do
        say "idle, memory and folder tree ($arch): $TREE_ROUNDS launcher runs"
        for round in $(seq "$TREE_ROUNDS"); do
            launcher_run "$arch" "$round"
        done
    done
}
