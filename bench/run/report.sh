# The report: every figure against its limit, as docs/PERFORMANCE.md holds it.
# print_report writes it to standard output.
# shellcheck shell=bash

kb() { awk -v b="$1" 'BEGIN { if (b == "") print "–"; else printf "%.1f KB", b / 1024 }'; }
mb() { awk -v k="$1" 'BEGIN { if (k == "" || k == "-") print "–"; else printf "%+.1f MB", k / 1024 }'; }
# figure SERIES [DECIMALS]: "median (min–max)" of a series.
figure() { echo "$(fmt "$(median "$RESULTS/$1.txt")" "${2:-2}") ($(spread "$RESULTS/$1.txt"))"; }
# row_ratio FIGURE OURS BASE RATIOS LIMIT UNIT: the times of ours and of the
# baseline, and the median of the per-round ratios against the limit.
row_ratio() {
    local r goal
    r=$(median "$RESULTS/$4.txt")
    if [ "$5" = - ]; then goal="report only"; else goal="ratio ≤ $5: **$(at_most "$r" "$5")**"; fi
    printf '| %s | %s %s | %s %s | %s (%s) | %s |\n' "$1" "$(figure "$2")" "$6" "$(figure "$3")" "$6" \
        "$(fmt "$r" 3)" "$(spread "$RESULTS/$4.txt")" "$goal"
}
row_not_timed() { echo "| $1 | – | – | – | $NOT_TIMED_I686 |"; }
timed() { [[ " ${BUILDS[*]} " == *" $1 "* ]]; }
print_report() {
    local cpu commit dirty arch count label extra limit
    cpu=$(lscpu | sed -nE 's/^Model name:[[:space:]]+//p' | head -n1)
    commit=$(git -C "$QZ_ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)
    # The report being written is not a change of the code measured.
    dirty=$(git -C "$QZ_ROOT" status --porcelain -- . ':(exclude)docs/PERFORMANCE.md' 2>/dev/null | grep -qv '^??' &&
        echo " (with uncommitted changes)")
    echo "# Performance"
    echo
    echo "Written by \`scripts/bench\` on $(date -u '+%Y-%m-%d %H:%M UTC'), commit \`$commit\`$dirty."
    echo "Machine: $cpu, $(nproc) cores; Wine $("$QZ_WINE" --version 2>/dev/null) on Xvfb 1024 x 768 x 24."
    echo "Each timing figure is taken in $ROUNDS rounds; in each round ours and its baseline run once each,"
    echo "in alternating order, and the round gives one ratio. The ratio column is the median of those"
    echo "per-round ratios with their spread (min–max); the times beside it are the medians and spreads"
    echo "of each side. Memory is a difference per round: ours minus the baseline's, in the same round."
    echo "Idle time is measured in the first $IDLE_ROUNDS launcher runs."
    echo
    echo "| figure | ours | baseline | ratio or difference | goal |"
    echo "|---|---|---|---|---|"
    for arch in x86_64 i686; do
        label="start-up to first complete paint, $arch (qz.exe against a bare window of the same bitness)"
        if timed $arch; then row_ratio "$label" "paint-qz-$arch" "paint-min-$arch" "paint-ratio-$arch" 1.10 ms
        else row_not_timed "$label"; fi
    done
    for arch in "${BUILDS[@]}"; do
        row_ratio "start-up, $arch: the picture's own work (\`picture_window\` against the bare window; reference)" \
            "paint-pic-$arch" "paint-min-$arch" "paint-ratio-picbase-$arch" - ms
        row_ratio "start-up, $arch: what the launcher adds to it (qz.exe against \`picture_window\`; reference)" \
            "paint-qz-$arch" "paint-pic-$arch" "paint-ratio-pic-$arch" - ms
        row_ratio "start-up, $arch: of it, the launcher's windows (\`picture_window --windows\` against \`picture_window\`; reference)" \
            "paint-win-$arch" "paint-pic-$arch" "paint-ratio-winpic-$arch" - ms
        row_ratio "start-up, $arch: the rest, the launcher's own (qz.exe against \`picture_window --windows\`; reference)" \
            "paint-qz-$arch" "paint-win-$arch" "paint-ratio-win-$arch" - ms
    done
    row_ratio "picture decode, 24-bit (the shipped libjpeg-turbo recipe, against its plain float decode)" \
        decode-QzDecode24 decode-LibjpegRgb decode-ratio-24 1.10 ms
    row_ratio "picture decode, 236 colours (the same, against its own 236-colour decode)" \
        decode-QzDecode236 decode-LibjpegQuantised236 decode-ratio-236 1.10 ms
    row_ratio "picture decode, 24-bit, with Debian's libjpeg-turbo (reference)" \
        decode-QzDecode24-debian decode-LibjpegRgb-debian decode-ratio-24-debian - ms
    row_ratio "picture decode, 236 colours, with Debian's libjpeg-turbo (reference)" \
        decode-QzDecode236-debian decode-LibjpegQuantised236-debian decode-ratio-236-debian - ms
    for entry in "win32/qz.exe 240" "win64/qz.exe 280" "win32/vorta.dll 8" "win64/vorta.dll 8"; do
        read -r f limit <<<"$entry"
        goal="≤ $limit KB: **$(at_most "$(awk -v b="${SIZE[$f]}" 'BEGIN { print b / 1024 }')" "$limit")**"
        echo "| file size, stripped \`${SIZE_SOURCE[$f]}\` | $(kb "${SIZE[$f]}") (${SIZE[$f]} bytes) | – | – | $goal |"
    done
    for phase in main:"after start-up" panel:"settings panel open"; do
        key=${phase%%:*} label=${phase#*:}
        st=$(median "$RESULTS/idle-$key-stat.txt") sc=$(median "$RESULTS/idle-$key-sched.txt")
        echo "| idle processor time in 10 s, $label, x86_64 (utime+stime) | $(figure "idle-$key-stat" 0) ms | – | – | < 10 ms: **$(below "$st" 10)** |"
        echo "| the same from the threads' schedstat (ns resolution) | $(figure "idle-$key-sched" 3) ms | – | – | < 10 ms: **$(below "$sc" 10)** |"
    done
    for arch in x86_64 i686; do
        for entry in "start:after start-up:4096" "chooser:with the folder chooser open:10240"; do
            IFS=: read -r key label limit <<<"$entry"
            if ! timed $arch; then row_not_timed "peak working set (VmHWM) $label, $arch"; continue; fi
            extra=$(median "$RESULTS/mem-$key-extra-$arch.txt")
            echo "| peak working set (VmHWM) $label, $arch | $(figure "mem-qz-$key-$arch" 0) kB | $(figure "mem-min-$arch" 0) kB | $(mb "$extra") ($(spread "$RESULTS/mem-$key-extra-$arch.txt") kB) | at most $(mb "$limit"): **$(at_most "$extra" "$limit")** |"
        done
    done
    # medians_apart SERIES BASE: the median of SERIES less BASE's, in MB.
    medians_apart() { mb "$(awk -v a="$(median "$RESULTS/$1.txt")" -v b="$(median "$RESULTS/$2.txt")" 'BEGIN { print a - b }')"; }
    for arch in "${BUILDS[@]}"; do
        for entry in "pic:the picture alone" "pic-tree:the picture and a hidden tree view (the common controls)" \
            "pic-tree-text:the same and the panels' texts in the Song face at 12 and 14 pixels"; do
            IFS=: read -r key label <<<"$entry"
            echo "| peak working set (VmHWM) of \`picture_window\` ($label), $arch (reference) | – | $(figure "mem-$key-$arch" 0) kB | $(medians_apart "mem-$key-$arch" "mem-min-$arch") (of the medians, against the bare window) | report only |"
        done
        echo "| the launcher after start-up against \`picture_window\` with the tree view, $arch (reference) | $(figure "mem-qz-start-$arch" 0) kB | $(figure "mem-pic-tree-$arch" 0) kB | $(medians_apart "mem-qz-start-$arch" "mem-pic-tree-$arch") (of the medians) | report only |"
    done
    for arch in "${BUILDS[@]}"; do
        echo "| peak working set (VmHWM) of \`bare_tree\` after it listed 1,000 subfolders, $arch (reference: the shell's image list and a filled tree in a bare program) | – | $(figure "mem-bare-tree-$arch-1000" 0) kB | $(medians_apart "mem-bare-tree-$arch-1000" "mem-min-$arch") (of the medians, against the bare window) | report only |"
    done
    for arch in x86_64 i686; do
        for count in 1000 10000; do
            label="folder tree: expand $([ $count = 1000 ] && echo 1,000 || echo 10,000) subfolders, $arch (against bare_tree)"
            if timed $arch; then row_ratio "$label" "tree-$arch-$count" "bare-tree-$arch-$count" "tree-ratio-$arch-$count" 1.25 ms
            else row_not_timed "$label"; fi
        done
    done
    for count in 1000 10000; do
        timed x86_64 || break
        echo "| folder tree: expand $([ $count = 1000 ] && echo 1,000 || echo 10,000) subfolders, x86_64, until also painted | $(figure "tree-x86_64-shown-$count") ms | $(figure "bare-tree-x86_64-shown-$count") ms | $(ratio "$(median "$RESULTS/tree-x86_64-shown-$count.txt")" "$(median "$RESULTS/bare-tree-x86_64-shown-$count.txt")") (of the medians) | report only |"
    done
    echo "| folder tree: growth from 1,000 to 10,000, x86_64 | $(ratio "$(median "$RESULTS/tree-x86_64-10000.txt")" "$(median "$RESULTS/tree-x86_64-1000.txt")")x | – | – | report only |"
    echo
    echo "## How each figure is taken"
    echo
    echo "- **Start-up** (\`bench/paint_timer.cpp\`, run under Wine): reads QueryPerformanceCounter, creates the"
    echo "  process and reads five screen points of the centred 795 x 576 rectangle ($POINTS) with"
    echo "  GetPixel on the screen's DC every $POLL_MS ms (each read is a round trip to the X server, which the"
    echo "  measured program needs too) until each shows the colour the finished window shows there (taken"
    echo "  once before the rounds; x86_64: qz.exe \`${COLOURS_QZ[x86_64]:-}\`, baseline \`${COLOURS_MIN[x86_64]:-}\`)."
    echo "  The baseline is \`bench/minimal_window.cpp\`, built for the same target: a 795 x 576 pop-up"
    echo "  painted in one colour. The same timer (x86_64) times both, for both builds."
    echo "  One traced start of each x86_64 program (\`WINEDEBUG=+timestamp,+loaddll,+process\`, which slows"
    echo "  everything down), ms after CreateProcess: the program file mapped, the last DLL loaded before the"
    echo "  display driver, the display driver (winex11.drv: the first window or cursor), the theming library, the paint seen"
    echo "  (paint_timer's own time): baseline \`$TIMELINE_MIN\`; picture_window \`$TIMELINE_PIC\`;"
    echo "  qz.exe \`$TIMELINE_QZ\`."
    echo "  The second baseline, \`bench/picture_window.cpp\`, is the same bare window showing the launcher's"
    echo "  picture: the same resource decoded by the launcher's own \`qz::DecodeJpeg\` and libjpeg-turbo"
    echo "  straight into a 24-bit bitmap at the first paint, copied to the window (\`${COLOURS_PIC[x86_64]:-}\`)."
    echo "  With \`--windows\` it shows the picture through the launcher's windows instead (\`${COLOURS_WIN[x86_64]:-}\`):"
    echo "  the zero-size window that owns the pop-up and carries the task-bar entry, shown first, and the"
    echo "  picture and the three hot zones as child windows of the pop-up, each painting its part of the picture."
    echo "  Both run in the same rounds (ours, the bare window, the picture, the picture through the windows;"
    echo "  the other way round in even rounds)."
    echo "- **Picture decode** (\`bench/decode_bench.cpp\`, Google Benchmark, native Release builds): each round"
    echo "  runs each benchmark for at least 0.5 s in its own process. \`qz::DecodeJpeg\` on"
    echo "  \`launcher/resources/background.jpg\` against plain libjpeg calls (JDCT_FLOAT, block smoothing, RGB"
    echo "  into a fresh buffer; and the same with libjpeg's 236-colour quantisation), both linked with the"
    echo "  same library: the launcher's libjpeg-turbo recipe (\`scripts/setup --native-libjpeg\`: the"
    echo "  Windows builds' configuration and size flags, built for this machine), and for reference"
    echo "  Debian's build (with its SIMD code)."
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
    echo "- **Folder tree**: $TREE_ROUNDS launcher runs per build; in each, the chooser is opened (\`click --control SpeedBlj\`),"
    echo "  qzdrive selects the folder (\`tree-select\`, which expands its parents), then \`bench/tree_timer.cpp\`,"
    echo "  another process, sends TVM_EXPAND for the selection and polls TVM_GETCOUNT until the tree holds"
    echo "  all the new items (QueryPerformanceCounter). The baseline \`bench/bare_tree.cpp\` (the same"
    echo "  bitness as the launcher) is a window with a tree view of the launcher's size (203 x 222), styles,"
    echo "  font and image list, holding the folder's item selected: expanding it lists the folder through the shell (parse,"
    echo "  bind, EnumObjects(SHCONTF_FOLDERS), each child's name) and inserts the children, redrawing off,"
    echo "  icons by callback; the same tree_timer times it the same way. The folders are on Z: (Wine's"
    echo "  view of the Linux root). For comparison, the whole \`qzdrive tree --path ... --children\` run for"
    echo "  10,000 (Wine process start and the cross-process reads of 10,000 texts included):"
    echo "  $(figure drive-10000 0) ms; the tree_timer run as a whole: $(fmt "$(median "$RESULTS/tree-x86_64-run-1000.txt")" 0) ms"
    echo "  for 1,000, $(fmt "$(median "$RESULTS/tree-x86_64-run-10000.txt")" 0) ms for 10,000."
    echo "- **Memory**: VmHWM of the Wine process running qz.exe one second after the window shows, and one"
    echo "  second after the folder chooser shows, less the baseline's (the bare window of the same bitness,"
    echo "  one second after its window shows) in the same round. The references run in the same rounds:"
    echo "  \`picture_window\` one second after its window shows, alone, with \`--tree\` (a hidden tree view"
    echo "  of the launcher's size made after the first paint, the common controls loaded from the system"
    echo "  folder) and with \`--tree --text\` (also the settings panel's and the chooser's texts drawn in the"
    echo "  Song face at 12 and 14 pixels after the first paint)."
    echo
    echo "## The folder tree, part by part"
    echo
    echo "Medians of $PART_ROUNDS runs of each part on its own, and of the $TREE_ROUNDS x86_64 launcher runs (ms),"
    echo "under the same Wine and Xvfb:"
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
    part_row "the baseline (\`bare_tree\`), measured from outside: TVM_EXPAND answered" bare-tree-x86_64-returned
    part_row "the baseline: the tree holds all items" bare-tree-x86_64
    part_row "the baseline: and has painted them" bare-tree-x86_64-shown
    part_row "the launcher, measured from outside: TVM_EXPAND answered" tree-x86_64-returned
    part_row "the launcher: the tree holds all items (the figure above)" tree-x86_64
    part_row "the launcher: and has painted them" tree-x86_64-shown
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
