# The report: every figure against its limit, as docs/PERFORMANCE.md holds it.
# print_report writes it to standard output.
# shellcheck shell=bash

kb() { awk -v b="$1" 'BEGIN { if (b == "") print "–"; else printf "%.1f KB", b / 1024 }'; }
row_time() {  # row_time FIGURE OURS_FILE BASE_FILE LIMIT UNIT
    local ours base r
    ours=$(median "$RESULTS/$2.txt") base=$(median "$RESULTS/$3.txt")
    r=$(ratio "$ours" "$base")
    printf '| %s | %s %s (%s) | %s %s (%s) | %s | ratio ≤ %s: **%s** |\n' "$1" "$(fmt "$ours")" "$5" \
        "$(spread "$RESULTS/$2.txt")" "$(fmt "$base")" "$5" "$(spread "$RESULTS/$3.txt")" "$r" "$4" "$(at_most "$r" "$4")"
}
print_report() {
    local cpu commit dirty tree1 tree10 growth
    cpu=$(lscpu | sed -nE 's/^Model name:[[:space:]]+//p' | head -n1)
    commit=$(git -C "$QZ_ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)
    dirty=$(git -C "$QZ_ROOT" status --porcelain 2>/dev/null | grep -qv '^??' && echo " (with uncommitted changes)")
    tree1=$(median "$RESULTS/tree-1000.txt") tree10=$(median "$RESULTS/tree-10000.txt")
    growth=$(ratio "$tree10" "$tree1")
    echo "# Performance"
    echo
    echo "Written by \`scripts/bench\` on $(date -u '+%Y-%m-%d %H:%M UTC'), commit \`$commit\`$dirty."
    echo "Machine: $cpu, $(nproc) cores; Wine $("$QZ_WINE" --version 2>/dev/null) on Xvfb 1024 x 768 x 24."
    echo "Times are medians of the rounds, with the spread (min–max) in brackets; ours and the baseline"
    echo "alternate within each round. $ROUNDS rounds for start-up and decode, $IDLE_ROUNDS launcher runs for idle,"
    echo "memory and the folder tree. The machine was shared with other work while this ran."
    echo
    echo "| figure | ours | baseline | ratio | goal |"
    echo "|---|---|---|---|---|"
    row_time "start-up to first complete paint (x86_64 qz.exe under Wine)" paint-qz paint-min 1.25 ms
    row_time "picture decode, 24-bit" decode-QzDecode24 decode-LibjpegRgb 1.10 ms
    row_time "picture decode, 236 colours (against plain RGB)" decode-QzDecode236 decode-LibjpegRgb 1.10 ms
    row_time "picture decode, 236 colours (against libjpeg's own 236-colour decode)" decode-QzDecode236 decode-LibjpegQuantised236 1.10 ms
    for entry in "win32/qz.exe 240" "win64/qz.exe 280" "win32/vorta.dll 8" "win64/vorta.dll 8"; do
        read -r f limit <<<"$entry"
        if [ "$limit" = - ]; then goal="no goal"; else
            goal="≤ $limit KB: **$(at_most "$(awk -v b="${SIZE[$f]}" 'BEGIN { print b / 1024 }')" "$limit")**"; fi
        echo "| file size, stripped \`${SIZE_SOURCE[$f]}\` | $(kb "${SIZE[$f]}") (${SIZE[$f]} bytes) | – | – | $goal |"
    done
    for phase in main:"after start-up" panel:"settings panel open"; do
        key=${phase%%:*} label=${phase#*:}
        st=$(median "$RESULTS/idle-$key-stat.txt") sc=$(median "$RESULTS/idle-$key-sched.txt")
        echo "| idle processor time in 10 s, $label (utime+stime) | $(fmt "$st" 0) ms ($(spread "$RESULTS/idle-$key-stat.txt")) | – | – | < 10 ms: **$(below "$st" 10)** |"
        echo "| the same from the threads' schedstat (ns resolution) | $(fmt "$sc" 3) ms ($(spread "$RESULTS/idle-$key-sched.txt")) | – | – | < 10 ms: **$(below "$sc" 10)** |"
    done
    echo "| folder tree: expand 1,000 subfolders | $(fmt "$tree1") ms ($(spread "$RESULTS/tree-1000.txt")) | $(fmt "$(median "$RESULTS/list-1000.txt")") ms ($(spread "$RESULTS/list-1000.txt")) | $(ratio "$tree1" "$(median "$RESULTS/list-1000.txt")") | ratio ≤ 2: **$(at_most "$(ratio "$tree1" "$(median "$RESULTS/list-1000.txt")")" 2)** |"
    echo "| folder tree: expand 10,000 subfolders | $(fmt "$tree10") ms ($(spread "$RESULTS/tree-10000.txt")) | $(fmt "$(median "$RESULTS/list-10000.txt")") ms ($(spread "$RESULTS/list-10000.txt")) | $(ratio "$tree10" "$(median "$RESULTS/list-10000.txt")") | ratio ≤ 2: **$(at_most "$(ratio "$tree10" "$(median "$RESULTS/list-10000.txt")")" 2)** |"
    echo "| folder tree: growth from 1,000 to 10,000 | ${growth}x | – | – | ≤ 11x: **$(at_most "$growth" 11)** |"
    for count in 1000 10000; do
        shown=$(median "$RESULTS/tree-shown-$count.txt")
        echo "| folder tree: expand $([ $count = 1000 ] && echo 1,000 || echo 10,000) subfolders, until also painted | $(fmt "$shown") ms ($(spread "$RESULTS/tree-shown-$count.txt")) | $(fmt "$(median "$RESULTS/list-$count.txt")") ms | $(ratio "$shown" "$(median "$RESULTS/list-$count.txt")") | report only |"
    done
    echo "| peak working set (VmHWM) after start-up | $(median "$RESULTS/mem-qz-start.txt") kB ($(spread "$RESULTS/mem-qz-start.txt")) | $(median "$RESULTS/mem-min.txt") kB ($(spread "$RESULTS/mem-min.txt")) | $(ratio "$(median "$RESULTS/mem-qz-start.txt")" "$(median "$RESULTS/mem-min.txt")") | report only |"
    echo "| peak working set (VmHWM) with the folder chooser open | $(median "$RESULTS/mem-qz-chooser.txt") kB ($(spread "$RESULTS/mem-qz-chooser.txt")) | $(median "$RESULTS/mem-min.txt") kB | $(ratio "$(median "$RESULTS/mem-qz-chooser.txt")" "$(median "$RESULTS/mem-min.txt")") | report only |"
    echo
    echo "## How each figure is taken"
    echo
    echo "- **Start-up** (\`bench/paint_timer.cpp\`, run under Wine): reads QueryPerformanceCounter, creates the"
    echo "  process and reads five screen points of the centred 795 x 576 rectangle ($POINTS) with"
    echo "  GetPixel on the screen's DC every millisecond until each shows the colour the finished window"
    echo "  shows there (taken once before the rounds: qz.exe \`$COLOURS_QZ\`, baseline \`$COLOURS_MIN\`)."
    echo "  The baseline is \`bench/minimal_window.cpp\`: a 795 x 576 pop-up painted in one colour."
    echo "  One traced start of each (\`WINEDEBUG=+timestamp,+loaddll,+process\`, which slows everything down),"
    echo "  ms after CreateProcess: the program file mapped, the last DLL loaded before the display driver,"
    echo "  the display driver (winex11.drv: the first window or cursor), the theming library, the paint seen"
    echo "  (paint_timer's own time): baseline \`$TIMELINE_MIN\`; qz.exe \`$TIMELINE_QZ\`."
    echo "- **Picture decode** (\`bench/decode_bench.cpp\`, Google Benchmark, native Release build): each round"
    echo "  runs each benchmark for at least 0.5 s in its own process. \`qz::DecodeJpeg\` on"
    echo "  \`launcher/resources/background.jpg\` against plain libjpeg calls (JDCT_FLOAT, block smoothing, RGB"
    echo "  into a fresh buffer; and the same with libjpeg's 236-colour quantisation)."
    if [ ${#INSTR[@]} -gt 0 ]; then
        echo "  Instructions for one decode including the process's start (callgrind): ours 24-bit ${INSTR[qz24]:-–},"
        echo "  plain RGB ${INSTR[rgb]:-–}; ours 236 colours ${INSTR[qz236]:-–}, libjpeg 236 colours ${INSTR[q236]:-–}."
    fi
    echo "- **File size**: a copy stripped with the target's \`strip\`. The i686 qz.exe built by this script from"
    echo "  the current sources: $(kb "$BENCH_QZ32_SIZE") ($BENCH_QZ32_SIZE bytes)."
    echo "- **Idle**: the wine64 process running qz.exe (x86_64), one second after the window shows (and after"
    echo "  the settings panel shows: \`qzdrive show SpeedBsjwj\`, \`click --control SpeedBsjwj\`), then 10 s"
    echo "  untouched. utime+stime counts in ticks of $((1000 / $(getconf CLK_TCK))) ms; schedstat sums the run time of the"
    echo "  process's threads."
    echo "- **Folder tree**: $IDLE_ROUNDS launcher runs; in each, the chooser is opened (\`click --control SpeedBlj\`),"
    echo "  qzdrive selects the folder (\`tree-select\`, which expands its parents), then \`bench/tree_timer.cpp\`"
    echo "  sends TVM_EXPAND for the selection and polls TVM_GETCOUNT until the tree holds all the new"
    echo "  items (QueryPerformanceCounter). The baseline \`bench/shell_list.cpp\` parses the folder's name,"
    echo "  binds to it and counts its EnumObjects(SHCONTF_FOLDERS) items, timed inside the program. The"
    echo "  folders are on Z: (Wine's view of the Linux root). For comparison, the whole"
    echo "  \`qzdrive tree --path ... --children\` run for 10,000 (Wine process start and the cross-process"
    echo "  reads of 10,000 texts included): $(fmt "$(median "$RESULTS/drive-10000.txt")" 0) ms ($(spread "$RESULTS/drive-10000.txt")); the tree_timer run"
    echo "  as a whole: $(fmt "$(median "$RESULTS/tree-run-1000.txt")" 0) ms for 1,000, $(fmt "$(median "$RESULTS/tree-run-10000.txt")" 0) ms for 10,000."
    echo "- **Memory**: VmHWM of the wine64 process one second after the window shows, and one second after"
    echo "  the folder chooser shows; the baseline's one second after its window shows."
    echo
    echo "## The folder tree, part by part"
    echo
    echo "Medians of $ROUNDS runs of each part on its own (ms), under the same Wine and Xvfb:"
    echo
    echo "| part | 1,000 | 10,000 |"
    echo "|---|---|---|"
    part_row() {  # part_row LABEL SERIES (with -1000 / -10000 appended)
        echo "| $1 | $(fmt "$(median "$RESULTS/$2-1000.txt")") | $(fmt "$(median "$RESULTS/$2-10000.txt")") |"
    }
    part_row "bare listing (\`shell_list\`, the baseline)" list
    part_row "the launcher's own listing, in-process (\`subfolders_timer\`: enumerate, attributes, names, the folder's order, identifier lists)" parts-subfolders
    part_row "a tree view alone (\`tree_insert --images\`): inserting the items under a collapsed item" parts-tree-insert
    part_row "the same: expanding it (the tree's own layout of the new items)" parts-tree-expand
    part_row "the same: painting" parts-tree-paint
    part_row "the launcher, measured from outside: TVM_EXPAND answered" tree-returned
    part_row "the launcher: the tree holds all items (the figure above)" tree
    part_row "the launcher: and has painted them" tree-shown
    echo
    echo "The shell's calls per folder, each added on its own to the bare listing of 1,000 folders"
    echo "(\`shell_list --add STEP\`; ms for the whole listing):"
    echo
    echo "| added | ms |"
    echo "|---|---|"
    for step in none attributes subfolders names sort icons; do
        echo "| $step | $(fmt "$(median "$RESULTS/steps-$step.txt")") |"
    done
    if [ ${#STUDY[@]} -gt 0 ]; then
        echo
        echo "## qz.exe (i686) with other compiler and linker flags"
        echo
        echo "Scratch builds of the \`qz\` target only, with \`CMAKE_CXX_FLAGS_RELEASE\`/\`CMAKE_C_FLAGS_RELEASE\` or"
        echo "\`CMAKE_EXE_LINKER_FLAGS\` in place of the preset's (\`-Os -DNDEBUG\`, \`$DEFAULT_LINK\`);"
        echo "the libjpeg-turbo of \`scripts/setup\` is linked as it is. Stripped sizes:"
        echo
        echo "| flags | size |"
        echo "|---|---|"
        for entry in "${STUDY_FLAGS[@]}"; do
            IFS='|' read -r label cflags lflags _ <<<"$entry"
            echo "| $label${cflags:+: \`$cflags\`}${lflags:+ \`$lflags\`} | $(kb "${STUDY[$label]:-}") (${STUDY[$label]:-not built} bytes) |"
        done
    fi
    if [ -n "$MAP_TABLE" ]; then
        echo
        echo "What the i686 qz.exe as built is made of (its link map; bytes before stripping, which"
        echo "removes only symbols, so the shares hold for the stripped file):"
        echo
        echo "$MAP_TABLE"
    fi
    if [ -f "$QZ_ROOT/bench/FINDINGS.md" ]; then
        echo
        cat "$QZ_ROOT/bench/FINDINGS.md"
    fi
    echo
    echo "Raw values of every round: \`build/bench/results/\` (one file per series)."
}
