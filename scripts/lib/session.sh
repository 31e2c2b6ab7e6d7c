# The Wine and Xvfb session: a private X display and Wine prefix per run,
# programs started under Wine, qzdrive.exe to look at and drive their windows,
# the stand-in engine, screenshots, and small assertions. Sourced after
# scripts/common.sh by the end-to-end scenarios, the demo and the benchmarks
# (with scripts/lib/launcher.sh, the launcher's own steps):
#
#   source "$QZ_ROOT/scripts/common.sh"   (or its path relative to the script)
#   source "$QZ_ROOT/scripts/lib/session.sh"
#   e2e_init
#   ... e2e_start / e2e_drive / expect_eq ...
#   e2e_finish
#
# Everything the harness starts (Xvfb by its PID, the private prefix's
# wineserver by `wineserver -k`) is stopped by e2e_cleanup, which e2e_init
# installs as the EXIT trap. tests/e2e/README.md describes each function.
# shellcheck shell=bash
# Variables and optional arguments here are for the scripts that source this:
# shellcheck disable=SC2034,SC2119,SC2120,SC2317

if [ -z "${QZ_ROOT:-}" ] || ! declare -F qz_wine >/dev/null; then
    echo "session.sh: source scripts/common.sh first" >&2
    return 2 2>/dev/null || exit 2
fi

# Where qzdrive.exe and e2e_fixture.exe were built.
E2E_BIN=${E2E_BIN:-$QZ_ROOT/build/win64/tests/e2e}
E2E_DRIVER=${E2E_DRIVER:-$E2E_BIN/qzdrive.exe}
# Screen of the private X server.
E2E_SCREEN=${E2E_SCREEN:-1024x768x24}
# Longest run of one qzdrive command, in seconds (its own waits are shorter).
E2E_DRIVE_LIMIT=${E2E_DRIVE_LIMIT:-120}
# How long a program may take from its start to its first window, in ms. A
# 32-bit program takes about a minute where qemu runs the 32-bit Wine.
E2E_START_MS=${E2E_START_MS:-30000}

# The parts of a scenario to run, by name, separated by spaces (all when
# empty): the 32-bit tier runs the parts whose every start costs a minute.
E2E_PARTS=${E2E_PARTS:-}

E2E_PASSED=0
E2E_FAILED=0
E2E_WORK=         # this run's folder: logs, screenshots, media
E2E_WORK_OWNED=   # 1 when the harness made E2E_WORK
E2E_XVFB_PID=
E2E_DISPLAY_BEFORE=
E2E_PREFIX=       # the private Wine prefix
E2E_PREFIX_OWNED= # 1 when the harness made the prefix's folder
E2E_SOURCE_PREFIX=
E2E_PIDS=()       # Wine loaders started by e2e_start
E2E_PID=          # the last of them
E2E_EXIT_CODE=    # set by e2e_wait_exit
E2E_MEDIA=        # set by e2e_media_create
E2E_OUT=          # stdout of the last e2e_drive
E2E_ERR=          # stderr of the last e2e_drive
E2E_STATUS=       # exit code of the last e2e_drive
E2E_DRIVEN=       # the arguments of the last e2e_drive
E2E_HISTORY=()    # the last few e2e_drive calls with their answers, one line each
declare -gA E2E_EXITS=()  # exit codes of the programs reaped, by PID

e2e_say() { printf '  .. %s\n' "$*"; }
e2e_warn() { printf 'e2e: %s\n' "$*" >&2; }

# Milliseconds since the epoch.
e2e_now_ms() { date +%s%3N; }

# ---------------------------------------------------------------- run folder

# e2e_work_create [DIR]: the folder for this run's files (default: a new one
# under build/e2e/). Sets E2E_WORK.
e2e_work_create() {
    if [ -n "${1:-}" ]; then
        mkdir -p "$1" && E2E_WORK=$(cd "$1" && pwd) || return 1
    else
        mkdir -p "$QZ_ROOT/build/e2e" || return 1
        E2E_WORK=$(mktemp -d "$QZ_ROOT/build/e2e/run.XXXXXX") || return 1
        E2E_WORK_OWNED=1
    fi
}

# ---------------------------------------------------------------- X server

# e2e_xvfb_start [WxHxD]: starts Xvfb on a display number it picks itself,
# waits until it accepts clients, exports DISPLAY and keeps E2E_XVFB_PID.
e2e_xvfb_start() {
    local screen=${1:-$E2E_SCREEN} numberfile log deadline number=
    numberfile=$(mktemp "${E2E_WORK:-/tmp}/xvfb-display.XXXXXX") || return 1
    log=${E2E_WORK:-/tmp}/xvfb.log
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$numberfile" </dev/null >"$log" 2>&1 &
    E2E_XVFB_PID=$!
    deadline=$(($(e2e_now_ms) + 15000))
    while :; do
        # Xvfb writes the number and a newline once it is ready.
        if [ "$(wc -l <"$numberfile")" -ge 1 ]; then
            number=$(head -n1 "$numberfile")
            break
        fi
        if ! kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
            e2e_warn "Xvfb exited at start:"; tail -n 5 "$log" >&2
            E2E_XVFB_PID=
            rm -f "$numberfile"
            return 1
        fi
        if [ "$(e2e_now_ms)" -ge "$deadline" ]; then
            e2e_warn "Xvfb gave no display number within 15 s"
            rm -f "$numberfile"
            e2e_xvfb_stop
            return 1
        fi
        sleep 0.05
    done
    rm -f "$numberfile"
    E2E_DISPLAY_BEFORE=${DISPLAY-__unset__}
    export DISPLAY=":$number"
}

# e2e_xvfb_stop: stops the Xvfb that e2e_xvfb_start started (by its PID) and
# gives DISPLAY back its earlier value.
e2e_xvfb_stop() {
    [ -n "$E2E_XVFB_PID" ] || return 0
    e2e_stop_pid "$E2E_XVFB_PID" 5000
    E2E_XVFB_PID=
    if [ "$E2E_DISPLAY_BEFORE" = __unset__ ]; then
        unset DISPLAY
    elif [ -n "$E2E_DISPLAY_BEFORE" ]; then
        export DISPLAY=$E2E_DISPLAY_BEFORE
    fi
}

# e2e_stop_pid PID [GRACE_MS]: ends a child of this shell: TERM, then KILL
# after the grace period; reaps it.
e2e_stop_pid() {
    local pid=$1 grace=${2:-5000} deadline
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    kill -TERM "$pid" 2>/dev/null
    deadline=$(($(e2e_now_ms) + grace))
    while kill -0 "$pid" 2>/dev/null; do
        if [ "$(e2e_now_ms)" -ge "$deadline" ]; then
            kill -KILL "$pid" 2>/dev/null
            break
        fi
        sleep 0.05
    done
    wait "$pid" 2>/dev/null
    return 0
}

# ---------------------------------------------------------------- Wine prefix

# e2e_prefix_create [DIR]: copies the prepared prefix ($QZ_WINEPREFIX, made by
# scripts/setup) into DIR (default: a new folder under build/e2e/), points
# QZ_WINEPREFIX at the copy and starts its wineserver, kept running until
# e2e_prefix_stop.
e2e_prefix_create() {
    local dir=${1:-}
    if [ ! -f "$QZ_WINEPREFIX/system.reg" ]; then
        e2e_warn "no prepared Wine prefix at $QZ_WINEPREFIX: run scripts/setup"
        return 1
    fi
    if [ -z "$dir" ]; then
        mkdir -p "$QZ_ROOT/build/e2e" || return 1
        dir=$(mktemp -d "$QZ_ROOT/build/e2e/prefix.XXXXXX") || return 1
        E2E_PREFIX_OWNED=1
    else
        mkdir -p "$dir" || return 1
    fi
    E2E_SOURCE_PREFIX=$QZ_WINEPREFIX
    cp -a "$QZ_WINEPREFIX/." "$dir/" || return 1
    rm -f "$dir/wineserver"
    E2E_PREFIX=$(cd "$dir" && pwd)
    QZ_WINEPREFIX=$E2E_PREFIX
    export QZ_WINEPREFIX
    # A persistent server: it stays up between qzdrive runs, so that each
    # costs a fraction of a second.
    WINEPREFIX=$QZ_WINEPREFIX "$QZ_WINESERVER" -p || return 1
    # No window manager runs on the private display: Wine places, activates
    # and hides its windows itself, instead of waiting (2 s each time) for a
    # window manager to acknowledge that a window was hidden.
    e2e_registry_import '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"'
}

# e2e_registry_import LINE...: imports lines in .reg syntax (after the REGEDIT4
# header, which this adds) into the private prefix's registry.
e2e_registry_import() {
    local regfile status
    regfile=$(mktemp "${E2E_WORK:-/tmp}/import.XXXXXX.reg") || return 1
    { echo REGEDIT4; echo; printf '%s\n' "$@"; } >"$regfile"
    QZ_WINE_TIMEOUT=60 qz_wine regedit /S "$(windows_path "$regfile")" >/dev/null 2>&1
    status=$?
    rm -f "$regfile"
    return $status
}

# e2e_service_create NAME PROGRAM: registers a service NAME in the private
# prefix through the system's own sc.exe, its image a copy of PROGRAM in
# E2E_WORK/service-NAME (a setup stand-in records each start in starts.log
# there). The service manager starts it as the system's net does.
e2e_service_create() {
    local folder=$E2E_WORK/service-$1
    mkdir -p "$folder" && cp "$2" "$folder/${1}.exe" || return 1
    QZ_WINE_TIMEOUT=60 qz_wine 'C:\windows\system32\sc.exe' create "$1" 'binpath=' \
        "$(windows_path "$folder/${1}.exe")" >/dev/null 2>&1
}

# e2e_prefix_stop: ends every program of the private prefix and its
# wineserver, and waits until the server has gone.
e2e_prefix_stop() {
    [ -n "$E2E_PREFIX" ] || return 0
    WINEPREFIX=$E2E_PREFIX "$QZ_WINESERVER" -k 2>/dev/null
    WINEPREFIX=$E2E_PREFIX timeout 30 "$QZ_WINESERVER" -w 2>/dev/null
    return 0
}

# e2e_prefix_remove: stops the private prefix, deletes its folder when the
# harness made it (and E2E_KEEP is not 1), and points QZ_WINEPREFIX back at
# the prepared prefix.
e2e_prefix_remove() {
    [ -n "$E2E_PREFIX" ] || return 0
    e2e_prefix_stop
    if [ "$E2E_PREFIX_OWNED" = 1 ] && [ "${E2E_KEEP:-0}" != 1 ]; then
        rm -rf "$E2E_PREFIX"
    fi
    QZ_WINEPREFIX=$E2E_SOURCE_PREFIX
    E2E_PREFIX=
}

# e2e_set_dpi DPI: the private prefix's dots per inch (96 = 100 %, 120 =
# 125 %, 144 = 150 %), for programs started afterwards. Wine 8 reads
# LogPixels under HKCU\Control Panel\Desktop; the font key is set alike.
e2e_set_dpi() {
    local dpi=$1 value
    [[ $dpi =~ ^[0-9]+$ ]] || { e2e_warn "e2e_set_dpi: not a number: $dpi"; return 2; }
    value=$(printf '"LogPixels"=dword:%08x' "$dpi")
    e2e_registry_import '[HKEY_CURRENT_USER\Control Panel\Desktop]' "$value" '' \
        '[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]' "$value"
}

# e2e_drive_add LETTER FOLDER [TYPE]: FOLDER as the private prefix's drive
# LETTER: of TYPE (hd, cdrom, floppy or network; default hd). Wine's mount
# manager reads the drives' types when it starts: the prefix's programs and
# server are stopped and the server started again.
e2e_drive_add() {
    local letter=${1,,} folder=$2 type=${3:-hd}
    [ -n "$E2E_PREFIX" ] || { e2e_warn "e2e_drive_add: no private prefix"; return 1; }
    [ -d "$folder" ] || { e2e_warn "e2e_drive_add: no folder $folder"; return 1; }
    ln -sfn "$(cd "$folder" && pwd)" "$E2E_PREFIX/dosdevices/$letter:" &&
        e2e_registry_import '[HKEY_LOCAL_MACHINE\Software\Wine\Drives]' "\"$letter:\"=\"$type\"" || return 1
    e2e_prefix_stop
    WINEPREFIX=$E2E_PREFIX "$QZ_WINESERVER" -p
}

# e2e_disc_insert IMAGE FOLDER [LETTER]: the disc image's files as Windows
# reads them (its Joliet tree), extracted into FOLDER without write
# permission, as the private prefix's CD-ROM drive LETTER: (default D). The
# disc is the medium: E2E_MEDIA is FOLDER.
e2e_disc_insert() {
    local image=$1 folder=$2 letter=${3:-D}
    xorriso -osirrox on -read_fs norock -indev "$image" -extract / "$folder" >/dev/null 2>&1 ||
        { e2e_warn "e2e_disc_insert: cannot read the files of $image"; return 1; }
    chmod -R a-w "$folder"
    E2E_MEDIA=$(cd "$folder" && pwd)
    e2e_drive_add "$letter" "$folder" cdrom
}

# ---------------------------------------------------------------- media folder

# e2e_plant FOLDER LIBRARY NAME...: LIBRARY (tests/e2e/plants' planted.dll,
# which records each load of it in planted.log beside itself) copied into
# FOLDER as NAME.dll for each name.
e2e_plant() {
    local folder=$1 library=$2 name
    shift 2
    for name in "$@"; do cp "$library" "$folder/$name.dll" || return 1; done
}

# e2e_planted_loads FOLDER: the file names of the planted libraries in FOLDER
# that were loaded, sorted, on one line; nothing when none was.
e2e_planted_loads() {
    [ -f "$1/planted.log" ] && cut -f1 "$1/planted.log" | sort -u | tr '\n' ' ' | tr -d '\r'
}

# e2e_media_create QZ_EXE [DIR]: a media folder (default: E2E_WORK/media)
# holding a copy of QZ_EXE as qz.exe. Sets E2E_MEDIA.
e2e_media_create() {
    local exe=$1 dir=${2:-$E2E_WORK/media}
    [ -f "$exe" ] || { e2e_warn "e2e_media_create: no file $exe"; return 1; }
    mkdir -p "$dir" || return 1
    E2E_MEDIA=$(cd "$dir" && pwd)
    cp "$exe" "$E2E_MEDIA/qz.exe"
}

# e2e_media_add RELATIVE_PATH [SOURCE]: puts a file into the media folder at
# RELATIVE_PATH (e.g. 'Msde/SETUP.EXE'), copied from SOURCE, or from stdin
# when no SOURCE is given.
e2e_media_add() {
    local relative=$1 source=${2:-} target
    [ -n "$E2E_MEDIA" ] || { e2e_warn "e2e_media_add: call e2e_media_create first"; return 1; }
    target=$E2E_MEDIA/$relative
    mkdir -p "$(dirname "$target")" || return 1
    if [ -n "$source" ]; then
        cp "$source" "$target"
    else
        cat >"$target"
    fi
}

# ---------------------------------------------------------------- programs

# e2e_start WORKDIR PROGRAM [ARGS...]: starts a Windows program in the
# background under Wine (the private prefix, code page 936; a 32-bit program
# under the 32-bit loader) with WORKDIR as its current folder. PROGRAM is a
# Linux path, or a Windows one on a drive of the prefix (D:\qz.exe). E2E_PID
# is the loader's process, whose exit status is the program's exit code; its
# output goes to E2E_WORK/program-PID.log.
e2e_start() {
    local workdir=$1 program=$2 file=$2 drive log
    shift 2
    [ -d "$workdir" ] || { e2e_warn "e2e_start: no folder $workdir"; return 1; }
    if [[ $program =~ ^[A-Za-z]:\\ ]]; then
        # Its file, for its bitness: through the prefix's link of that drive.
        drive=${program:0:1}
        file=$QZ_WINEPREFIX/dosdevices/${drive,,}:/${program:3}
        file=${file//\\//}
    fi
    qz_wine_command "$file"
    [ -f "$program" ] && program=$(windows_path "$program")
    log=$(mktemp "${E2E_WORK:-/tmp}/program.XXXXXX") || return 1
    (
        cd "$workdir" && exec "${QZ_WINE_COMMAND[@]}" "$program" "$@"
    ) </dev/null >"$log" 2>&1 &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
    mv "$log" "${E2E_WORK:-/tmp}/program-$E2E_PID.log"
}

# e2e_running [PID]: true while the program (default E2E_PID) runs.
e2e_running() {
    kill -0 "${1:-$E2E_PID}" 2>/dev/null
}

# e2e_reap PID: for a program started by e2e_start that has ended, sets
# E2E_EXIT_CODE to its exit code, kept so that it can be asked for again (in
# this shell: `wait` reaps a child once); status 1 while it runs.
e2e_reap() {
    local pid=$1
    if [ -z "${E2E_EXITS[$pid]:-}" ]; then
        kill -0 "$pid" 2>/dev/null && return 1
        wait "$pid" 2>/dev/null
        E2E_EXITS[$pid]=$?
    fi
    E2E_EXIT_CODE=${E2E_EXITS[$pid]}
}

# e2e_wait_exit [TIMEOUT_MS] [PID]: waits for a program started by e2e_start
# (default E2E_PID) to end; sets E2E_EXIT_CODE to its exit code and returns 0,
# or returns 1 when it still runs at the deadline (default 10000 ms).
e2e_wait_exit() {
    local timeout=${1:-10000} pid=${2:-$E2E_PID} deadline
    E2E_EXIT_CODE=
    deadline=$(($(e2e_now_ms) + timeout))
    until e2e_reap "$pid"; do
        if [ "$(e2e_now_ms)" -ge "$deadline" ]; then
            e2e_warn "process $pid still runs after $timeout ms"
            return 1
        fi
        sleep 0.05
    done
    return 0
}

# ---------------------------------------------------------------- qzdrive

# e2e_memory_shift [PID [FILE]]: where qemu runs a 32-bit program (default
# E2E_PID, started from FILE, default the medium's qz.exe), the distance in
# hexadecimal from the program's own addresses to where its memory lies in
# the Linux process (qemu's guest base), read off the mapping of the file at
# its image base; 0 for a program that qemu does not run. Wine's server reads
# and writes another program's memory at the program's addresses, so qzdrive
# adds this to its own reads and writes.
e2e_memory_shift() {
    local pid=${1:-$E2E_PID} file=${2:-$E2E_MEDIA/qz.exe} exe start base
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || { echo 0; return; }
    [[ $exe == */qemu-i386* ]] && [ -f "$file" ] || { echo 0; return; }
    start=$(awk -v name="/${file##*/}" '$3 == "00000000" && substr($6, length($6) - length(name) + 1) == name {
        sub(/-.*/, "", $1); print $1; exit }' "/proc/$pid/maps")
    [ -n "$start" ] || { echo 0; return; }
    # ImageBase: 28 bytes into the optional header of a PE32 file.
    base=$(qz_pe_field "$file" 52 4 u4)
    printf '%x' $((16#$start - base))
}

# e2e_drive COMMAND [ARGS...]: runs qzdrive.exe in the private prefix. Its
# key=value lines go to E2E_OUT, its messages to E2E_ERR, its exit code to
# E2E_STATUS (and the return status): 0 done, 1 failed or timed out, 2 usage.
e2e_drive() {
    local errfile started shift=0 attempt
    errfile=$(mktemp "${E2E_WORK:-/tmp}/drive-err.XXXXXX") || return 1
    started=$errfile.started
    [ -n "$E2E_PID" ] && [ -n "$E2E_MEDIA" ] && shift=$(e2e_memory_shift)
    for attempt in 1 2; do
        rm -f "$started"
        E2E_OUT=$(QZDRIVE_STARTED=$(windows_path "$errfile").started QZDRIVE_MEMORY_SHIFT=$shift \
            QZ_WINE_TIMEOUT=$E2E_DRIVE_LIMIT qz_wine "$E2E_DRIVER" "$@" 2>"$errfile")
        E2E_STATUS=$?
        E2E_ERR=$(<"$errfile")
        # qzdrive explains every failure and marks its start (QZDRIVE_STARTED)
        # first thing: a status without a word is the Wine process's own. Ended
        # before the mark, it did nothing, and runs once more. (Wine has been
        # seen to end a new process so, with status 1 in 0.1 s, once among the
        # some 2,000 starts of a whole test run; 3,000 starts in a loop did not
        # repeat it.)
        if [ "$E2E_STATUS" -eq 0 ] || [ -n "$E2E_ERR" ]; then
            break
        elif [ -e "$started" ]; then
            E2E_ERR="(qzdrive said nothing after it started; status $E2E_STATUS)"
            break
        fi
        E2E_ERR="(qzdrive ended before it started, twice; status $E2E_STATUS)"
        [ "$attempt" = 1 ] && e2e_warn "qzdrive $1: Wine ended it before it started (status $E2E_STATUS); started again"
    done
    E2E_DRIVEN=$*
    rm -f "$errfile" "$started"
    # The last calls, each with its answer on one line, for a failure's report.
    E2E_HISTORY+=("$(date +%T.%3N) $* -> $E2E_STATUS $(tr '\n' ' ' <<<"$E2E_OUT" | cut -c1-160)")
    [ "${#E2E_HISTORY[@]}" -le 6 ] || E2E_HISTORY=("${E2E_HISTORY[@]: -6}")
    [ "${E2E_TRACE:-0}" = 1 ] && printf '  qzdrive %s -> %s\n' "$*" "$E2E_STATUS" >&2
    return "$E2E_STATUS"
}

# e2e_require SCENARIO FILE...: ends the scenario, saying which, when a file
# it needs has not been built.
e2e_require() {
    local scenario=$1 needed
    shift
    for needed; do
        [ -f "$needed" ] || { echo "$scenario: no $needed: run scripts/build first" >&2; exit 1; }
    done
}

# e2e_get KEY [TEXT]: prints the value of KEY in TEXT (default E2E_OUT);
# status 1 when the key is absent.
e2e_get() {
    local key=$1 text=${2-$E2E_OUT} line
    while IFS= read -r line; do
        if [[ $line == "$key="* ]]; then
            printf '%s' "${line#*=}"
            return 0
        fi
    done <<<"$text"
    return 1
}

# e2e_rect_field RECT INDEX: one number of "left,top,right,bottom" (0-3).
e2e_rect_field() {
    local parts
    IFS=, read -r -a parts <<<"$1"
    printf '%s' "${parts[$2]}"
}

# ---------------------------------------------------------------- pictures

# e2e_screenshot FILE.png: the whole screen of the private X server.
e2e_screenshot() {
    import -display "$DISPLAY" -window root "$1"
}

# e2e_crop IMAGE X Y WIDTH HEIGHT OUT: a rectangle of IMAGE.
e2e_crop() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage "$6"
}

# e2e_screenshot_rect FILE X Y WIDTH HEIGHT: a screen rectangle.
e2e_screenshot_rect() {
    local whole
    whole=$(mktemp "${E2E_WORK:-/tmp}/screen.XXXXXX.png") || return 1
    e2e_screenshot "$whole" && e2e_crop "$whole" "$2" "$3" "$4" "$5" "$1"
    local status=$?
    rm -f "$whole"
    return $status
}

# e2e_pixel IMAGE X Y: the colour of one pixel as RRGGBB.
e2e_pixel() {
    convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6
}

# e2e_image_diff A B: prints the root-mean-square difference of two images of
# the same size, from 0 (same) to 1; status 1 when they cannot be compared.
e2e_image_diff() {
    local result size_a size_b
    size_a=$(identify -format '%wx%h' "$1" 2>/dev/null)
    size_b=$(identify -format '%wx%h' "$2" 2>/dev/null)
    if [ -z "$size_a" ] || [ "$size_a" != "$size_b" ]; then
        e2e_warn "cannot compare $1 (${size_a:-unreadable}) and $2 (${size_b:-unreadable})"
        return 1
    fi
    result=$(compare -metric RMSE "$1" "$2" null: 2>&1)
    # "1234.5 (0.0188)": the number in brackets is the normalised one.
    if [[ $result =~ \(([0-9.e+-]+)\) ]]; then
        printf '%s' "${BASH_REMATCH[1]}"
        return 0
    fi
    e2e_warn "cannot compare $1 and $2: $result"
    return 1
}

# ---------------------------------------------------------------- assertions

# e2e_part NAME: true when the scenario's part NAME is to run (E2E_PARTS).
e2e_part() {
    [ -z "$E2E_PARTS" ] || [[ " $E2E_PARTS " == *" $1 "* ]]
}

e2e_pass() { E2E_PASSED=$((E2E_PASSED + 1)); }

# e2e_fail WHAT EXPECTED ACTUAL [DEPTH]: counts and reports a failure, and
# what the run looked like then (e2e_state).
e2e_fail() {
    local depth=${4:-1} source
    # A scenario's own top level is the outermost source there is.
    source=${BASH_SOURCE[depth + 1]-${BASH_SOURCE[-1]}}
    E2E_FAILED=$((E2E_FAILED + 1))
    printf 'FAIL: %s\n  expected: %s\n  actual:   %s\n  at %s:%s\n' "$1" "$2" "$3" \
        "${source##*/}" "${BASH_LINENO[depth]}"
    e2e_state
}

# e2e_state: whether the last program started still runs, or how it ended,
# with the last lines of its output; what qzdrive was last asked and
# answered; the engine's last events. (In this shell, not in a pipe: it may
# reap the program.)
e2e_state() {
    local log exit_code=$E2E_EXIT_CODE
    if [ -n "$E2E_PID" ]; then
        if e2e_reap "$E2E_PID"; then
            echo "  program (pid $E2E_PID): ended with exit code $E2E_EXIT_CODE"
        else
            echo "  program (pid $E2E_PID): running"
        fi
        log=${E2E_WORK:-/tmp}/program-$E2E_PID.log
        [ -s "$log" ] && tail -n 3 "$log" | sed 's/^/  | /'
    fi
    if [ -n "$E2E_DRIVEN" ]; then
        echo "  qzdrive $E2E_DRIVEN -> status $E2E_STATUS${E2E_ERR:+: $E2E_ERR}"
        [ -n "$E2E_OUT" ] && head -n 4 <<<"$E2E_OUT" | sed 's/^/  | /'
        echo "  qzdrive's last calls:"
        printf '  | %s\n' "${E2E_HISTORY[@]}"
    fi
    if [ -n "$E2E_ENGINE_STATE" ] && [ -s "$E2E_ENGINE_STATE/events.log" ]; then
        echo "  the engine's last events (now $(date +%T.%3N)):"
        tail -n 4 "$E2E_ENGINE_STATE/events.log" | cut -c1-200 | sed 's/^/  | /'
    fi
    E2E_EXIT_CODE=$exit_code
}

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
    if [ "$2" == "$3" ]; then
        e2e_pass
    else
        e2e_fail "$1" "$2" "$3" 1
    fi
}

# expect_key KEY EXPECTED [WHAT]: the value of KEY in the last qzdrive output.
expect_key() {
    local actual
    # Without the key, what qzdrive said instead (it failed, or timed out).
    actual=$(e2e_get "$1") || actual="(no key $1; qzdrive status ${E2E_STATUS:-?}: ${E2E_ERR:-no message})"
    if [ "$2" == "$actual" ]; then
        e2e_pass
    else
        e2e_fail "${3:+$3: }$1" "$2" "$actual" 1
    fi
}

# expect_true WHAT COMMAND [ARGS...]: passes when the command succeeds. It runs
# in this shell, so after `expect_true ... e2e_drive ...` E2E_OUT is set.
expect_true() {
    local what=$1
    shift
    "$@"
    local status=$?
    if [ "$status" -eq 0 ]; then
        e2e_pass
    else
        local detail="status $status"
        [ "$1" = e2e_drive ] && [ -n "$E2E_ERR" ] && detail+=": $E2E_ERR"
        e2e_fail "$what" "success of: $*" "$detail" 1
    fi
}

# expect_status WHAT STATUS COMMAND [ARGS...]: passes when the command ends
# with that exit status (e.g. 1 for an expected time-out of qzdrive).
expect_status() {
    local what=$1 expected=$2
    shift 2
    "$@"
    local status=$?
    if [ "$status" -eq "$expected" ]; then
        e2e_pass
    else
        e2e_fail "$what" "status $expected of: $*" "status $status" 1
    fi
}

# expect_close WHAT MAX ACTUAL: passes when the number ACTUAL is at most MAX.
expect_close() {
    if [ -n "$3" ] && awk -v a="$3" -v m="$2" 'BEGIN { exit !(a + 0 <= m + 0) }'; then
        e2e_pass
    else
        e2e_fail "$1" "at most $2" "${3:-(nothing)}" 1
    fi
}

# e2e_finish: prints "N passed, M failed" alone on a line; status 1 when M > 0.
# Runs a command that should end the program (a click on the exit zone, a
# close), then expects the program to end within 15 s with exit code 0.
# expect_exit_zero_after WHAT COMMAND...: runs the command (a click on the
# exit zone, say); the program (E2E_PID) must end with exit code 0 within 3 s
# of the command's return (qzdrive returns once the click was delivered; its
# own start, slow on a busy machine, is not the launcher's time). When it
# does not, says whether its main window is still there (the close never
# came) or gone (the process lingers), and how it ended.
expect_exit_zero_after() {
    local what=$1 window=gone
    shift
    "$@"
    if e2e_wait_exit 3000; then
        expect_eq "$what: exit code" 0 "$E2E_EXIT_CODE"
        return
    fi
    e2e_drive window --class TForm_qz --timeout-ms 0 >/dev/null && window="still there"
    e2e_wait_exit 15000 || E2E_EXIT_CODE="none after 18 s"
    e2e_fail "$what: the program ends within 3 s" "an exit within 3 s" \
        "still running after 3 s, its main window $window; exit code ${E2E_EXIT_CODE}" 1
}

e2e_finish() {
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
    [ "$E2E_FAILED" -eq 0 ]
}

# ---------------------------------------------------------------- set-up and clean-up

# e2e_cleanup: stops everything the harness started: the programs and
# wineserver of the private prefix, then Xvfb; deletes the prefix copy, and
# the run folder unless something failed (or E2E_KEEP=1).
e2e_cleanup() {
    local pid
    e2e_engine_stop
    e2e_prefix_remove
    for pid in "${E2E_PIDS[@]}"; do
        e2e_stop_pid "$pid" 5000
    done
    E2E_PIDS=()
    e2e_xvfb_stop
    if [ "$E2E_WORK_OWNED" = 1 ] && [ -n "$E2E_WORK" ]; then
        if [ "$E2E_FAILED" -eq 0 ] && [ "${E2E_KEEP:-0}" != 1 ]; then
            rm -rf "$E2E_WORK"
        else
            e2e_warn "files of this run kept in $E2E_WORK"
        fi
        E2E_WORK_OWNED=
    fi
}

# e2e_init [WxHxD]: the usual start of a scenario: a run folder, the cleanup
# trap, Xvfb, the private prefix; checks that qzdrive.exe is built.
e2e_init() {
    if [ ! -f "$E2E_DRIVER" ]; then
        e2e_warn "no $E2E_DRIVER: build the win64 preset first (or set E2E_BIN / E2E_DRIVER)"
        return 1
    fi
    e2e_work_create || return 1
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    e2e_xvfb_start "${1:-$E2E_SCREEN}" || return 1
    e2e_prefix_create || return 1
}

# ------------------------------------------------------------------ the engine

# The stand-in database engine, on a free loopback port. Drive C: is the
# folder $E2E_DRIVE_C of this run and Z: the Linux root, as Wine sees it, so
# the backup beside a launcher on Z: and targets on C: both resolve. FreeTDS
# (and so the launcher under Wine) finds the engine through TDSPORT.
E2E_ENGINE=${E2E_ENGINE:-$QZ_ROOT/dist/linux/qzengine}
E2E_ENGINE_PID=
E2E_ENGINE_PORT=
E2E_ENGINE_STATE=
E2E_DRIVE_C=

e2e_engine_start() {  # [more qzengine arguments...]
    local log deadline port=
    [ -x "$E2E_ENGINE" ] || { e2e_warn "no $E2E_ENGINE: run scripts/build first"; return 1; }
    E2E_ENGINE_STATE=${E2E_ENGINE_STATE:-$E2E_WORK/engine}
    E2E_DRIVE_C=${E2E_DRIVE_C:-$E2E_WORK/c}
    mkdir -p "$E2E_ENGINE_STATE" "$E2E_DRIVE_C" || return 1
    log=$E2E_WORK/engine-$(e2e_now_ms).log
    # A restarted engine takes the port of the first, which a launcher
    # already running keeps in its environment.
    "$E2E_ENGINE" --listen "127.0.0.1:${E2E_ENGINE_PORT:-0}" --state "$E2E_ENGINE_STATE" \
        --drive "C=$E2E_DRIVE_C" --drive Z=/ "$@" </dev/null >"$log" 2>&1 &
    E2E_ENGINE_PID=$!
    deadline=$(($(e2e_now_ms) + 15000))
    while :; do
        port=$(sed -nE 's/^listening on 127\.0\.0\.1:([0-9]+)$/\1/p' "$log" | head -n1)
        [ -n "$port" ] && break
        if ! kill -0 "$E2E_ENGINE_PID" 2>/dev/null || [ "$(e2e_now_ms)" -ge "$deadline" ]; then
            e2e_warn "the engine did not start:"; tail -n 5 "$log" >&2
            e2e_engine_stop
            return 1
        fi
        sleep 0.05
    done
    export TDSPORT=$port
    E2E_ENGINE_PORT=$port
}

e2e_engine_stop() {
    [ -n "$E2E_ENGINE_PID" ] || return 0
    e2e_stop_pid "$E2E_ENGINE_PID" 10000
    E2E_ENGINE_PID=
}

# Runs qzengine --make-backup into a file: e2e_engine_backup OUT [--data NAME ...]
e2e_engine_backup() {
    local out=$1
    shift
    mkdir -p "$(dirname "$out")" &&
        "$E2E_ENGINE" --make-backup "$out" --database QUENTARO --data QUENTARO_data --log QUENTARO_log "$@" >/dev/null
}

# The whole medium in $E2E_MEDIA: qz.exe, the stand-in setups as
# Msde\SETUP.EXE and tovk\setup.exe, and a sample Data\QUENTARO.bak.
E2E_SETUPS=${E2E_SETUPS:-$QZ_ROOT/build/win64/standin/setups}

e2e_media_full() {  # qz.exe
    local needed
    for needed in "$1" "$E2E_ENGINE" "$E2E_SETUPS/engine_setup.exe" "$E2E_SETUPS/payroll_setup.exe"; do
        [ -f "$needed" ] || { e2e_warn "no $needed: run scripts/build first"; return 1; }
    done
    e2e_media_create "$1" &&
        e2e_media_add 'Msde/SETUP.EXE' "$E2E_SETUPS/engine_setup.exe" &&
        e2e_media_add 'tovk/setup.exe' "$E2E_SETUPS/payroll_setup.exe" &&
        e2e_engine_backup "$E2E_MEDIA/Data/QUENTARO.bak"
}
