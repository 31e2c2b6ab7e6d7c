# The benchmarks' own build folders under build/bench: what each figure runs.
# shellcheck shell=bash

build() {  # build PRESET FOLDER [CMAKE_ARGUMENT...] -- TARGET...
    local preset=$1 folder=$BENCH/$2 arguments=()
    shift 2
    while [ "$1" != -- ]; do arguments+=("$1"); shift; done
    shift
    say "building $preset in ${folder#"$QZ_ROOT"/}: $*"
    (cd "$QZ_ROOT" && cmake --preset "$preset" -B "$folder" -DQZ_BENCH=ON "${arguments[@]}" >"$folder.configure.log" 2>&1) ||
        { cat "$folder.configure.log" >&2; exit 1; }
    cmake --build "$folder" -j "$JOBS" --target "$@" >"$folder.build.log" 2>&1 ||
        { tail -n 30 "$folder.build.log" >&2; exit 1; }
}

# bench_builds: every build the figures run.
#   in:  QZ_ROOT, BENCH, JOBS
#   out: the build folders under BENCH (native-picture, native, win64, win32)
bench_builds() {
    # The decode benchmark twice: with the launcher's own libjpeg-turbo recipe
    # (what ships, built for this machine) and with Debian's library.
    "$QZ_ROOT/scripts/setup" --native-libjpeg || exit 1
    build native native-picture "-DQZ_NATIVE_JPEG_ROOT=$QZ_CACHE/libjpeg-turbo/native-picture" -- decode_bench
    build native native -DQZ_NATIVE_JPEG_ROOT= -- decode_bench
    build win64 win64 -- qz vorta qzdrive minimal_window picture_window paint_timer shell_list tree_timer tree_insert bare_tree subfolders_timer
    build win32 win32 -- qz vorta minimal_window picture_window
}
