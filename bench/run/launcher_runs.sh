# Idle, memory and the folder tree: one launcher run per round.
# shellcheck shell=bash

FOLDERS=$E2E_WORK/folders
mkdir -p "$FOLDERS/big1000" "$FOLDERS/big10000"
(cd "$FOLDERS/big1000" && mkdir d{0000..0999})
(cd "$FOLDERS/big10000" && mkdir d{00000..09999})
# Processor time of a Linux process, in ms: utime+stime of /proc/PID/stat
# (10 ms ticks) and the sum of its threads' run time in schedstat (ns).
cpu_stat_ms() { awk -v hz="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); print ($12 + $13) * 1000 / hz }' "/proc/$1/stat"; }
cpu_sched_ms() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.3f", s / 1e6 }'; }
hwm_kb() { sed -nE 's/^VmHWM:[[:space:]]+([0-9]+) kB/\1/p' "/proc/$1/status"; }
value_of() { tr -d '\r' | sed -nE "s/^$1=//p"; }

say "idle, memory and folder tree: $IDLE_ROUNDS launcher runs"
for round in $(seq "$IDLE_ROUNDS"); do
    # The baseline's memory.
    e2e_start "$E2E_MEDIA" "$E2E_MEDIA/minimal_window.exe"
    e2e_drive window --class QzBenchMinimal --timeout-ms 30000 >/dev/null
    sleep 1
    record mem-min "$(hwm_kb "$E2E_PID")"
    e2e_stop_pid "$E2E_PID" 5000

    e2e_start "$E2E_MEDIA" "$E2E_MEDIA/qz.exe"
    pid=$E2E_PID
    if ! e2e_drive window --class TForm_qz --timeout-ms 30000 >/dev/null; then
        e2e_warn "round $round: no launcher window"
        e2e_stop_pid "$pid" 5000
        continue
    fi
    sleep 1
    record mem-qz-start "$(hwm_kb "$pid")"
    s0=$(cpu_stat_ms "$pid") n0=$(cpu_sched_ms "$pid")
    sleep 10
    s1=$(cpu_stat_ms "$pid") n1=$(cpu_sched_ms "$pid")
    record idle-main-stat "$(awk -v a="$s0" -v b="$s1" 'BEGIN { print b - a }')"
    record idle-main-sched "$(awk -v a="$n0" -v b="$n1" 'BEGIN { print b - a }')"

    e2e_drive show SpeedBsjwj >/dev/null
    e2e_drive click --control SpeedBsjwj >/dev/null
    e2e_drive control Panel3 --visible 1 --timeout-ms 10000 >/dev/null ||
        e2e_warn "round $round: the settings panel did not show"
    sleep 1
    s0=$(cpu_stat_ms "$pid") n0=$(cpu_sched_ms "$pid")
    sleep 10
    s1=$(cpu_stat_ms "$pid") n1=$(cpu_sched_ms "$pid")
    record idle-panel-stat "$(awk -v a="$s0" -v b="$s1" 'BEGIN { print b - a }')"
    record idle-panel-sched "$(awk -v a="$n0" -v b="$n1" 'BEGIN { print b - a }')"

    e2e_drive click --control SpeedBlj >/dev/null
    e2e_drive control Panel1 --visible 1 --timeout-ms 10000 >/dev/null ||
        e2e_warn "round $round: the folder chooser did not show"
    sleep 1
    record mem-qz-chooser "$(hwm_kb "$pid")"

    for count in 1000 10000; do
        folder=$FOLDERS/big$count
        bare_round() {
            qz_wine "$E2E_MEDIA/shell_list.exe" "$(windows_path "$folder")" >"$E2E_WORK/list.out"
            [ "$(value_of count <"$E2E_WORK/list.out")" = $count ] || e2e_warn "bare listing: not $count folders"
            record "list-$count" "$(value_of list_ms <"$E2E_WORK/list.out")"
        }
        tree_round() {
            if ! e2e_drive tree-select --path "$(tree_path "$folder")" --timeout-ms 60000 >/dev/null; then
                e2e_warn "round $round: cannot select big$count in the tree: $E2E_ERR"
                return
            fi
            local started ended
            started=$(now_ms)
            qz_wine "$E2E_MEDIA/tree_timer.exe" --expect $count --timeout-ms 120000 >"$E2E_WORK/tree.out"
            ended=$(now_ms)
            [ "$(value_of children <"$E2E_WORK/tree.out")" = $count ] || e2e_warn "tree: not $count children"
            [ "$(value_of was_expanded <"$E2E_WORK/tree.out")" = 0 ] || e2e_warn "tree: big$count was expanded before"
            record "tree-$count" "$(value_of expand_ms <"$E2E_WORK/tree.out")"
            record "tree-returned-$count" "$(value_of returned_ms <"$E2E_WORK/tree.out")"
            record "tree-shown-$count" "$(value_of shown_ms <"$E2E_WORK/tree.out")"
            record "tree-run-$count" "$((ended - started))"
        }
        if [ $((round % 2)) = 1 ]; then bare_round; tree_round; else tree_round; bare_round; fi
    done
    # The same listing through qzdrive (its own cost included), for comparison.
    started=$(now_ms)
    e2e_drive tree --path "$(tree_path "$FOLDERS/big10000")" --children --timeout-ms 120000 >/dev/null
    record drive-10000 "$(($(now_ms) - started))"
    e2e_stop_pid "$pid" 5000
done
