# The benchmarks' own build folders under build/bench: what each figure runs.
# shellcheck shell=bash

build() {  # build PRESET TARGET...
    local preset=$1
    shift
    say "building $preset: $*"
    (cd "$QZ_ROOT" && cmake --preset "$preset" -B "$BENCH/$preset" -DQZ_BENCH=ON >"$BENCH/configure-$preset.log" 2>&1) ||
        { cat "$BENCH/configure-$preset.log" >&2; exit 1; }
    cmake --build "$BENCH/$preset" -j "$JOBS" --target "$@" >"$BENCH/build-$preset.log" 2>&1 ||
        { tail -n 30 "$BENCH/build-$preset.log" >&2; exit 1; }
}
build native decode_bench
build win64 qz qzdrive minimal_window paint_timer shell_list tree_timer tree_insert subfolders_timer
build win32 qz vorta minimal_window
