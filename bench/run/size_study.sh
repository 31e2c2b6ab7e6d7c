# The size study: qz.exe (i686) built with other flags.
# shellcheck shell=bash

# label|compiler flags (empty: the preset's)|linker flags (empty: the preset's)
STUDY_FLAGS=(
    "as built (Release: -Os, sections, --gc-sections)||"
    "-O3 instead of -Os|-O3 -DNDEBUG|"
    "without --gc-sections||-static -static-libgcc -static-libstdc++"
)
DEFAULT_LINK="-static -static-libgcc -static-libstdc++ -Wl,--gc-sections"

# bench_size_study: the stripped size of each build of the study.
#   in:  BENCH, JOBS, SIZE_STUDY (0: nothing is built)
#   out: STUDY (bytes, keyed by the label of STUDY_FLAGS), MAP_TABLE (what the
#        as-built program is made of, from its link map)
bench_size_study() {
    local entry label cflags lflags dir args link
    declare -gA STUDY=()
    MAP_TABLE=
    [ "$SIZE_STUDY" = 1 ] || return 0
    say "size study: qz.exe (i686) with other flags"
    for entry in "${STUDY_FLAGS[@]}"; do
        IFS='|' read -r label cflags lflags <<<"$entry"
        dir=$BENCH/size-$(tr -c 'a-zA-Z0-9' '-' <<<"$label" | tr -s '-')
        args=()
        link=${lflags:-$DEFAULT_LINK}
        [ -n "$cflags" ] && args+=("-DCMAKE_CXX_FLAGS_RELEASE=$cflags" "-DCMAKE_C_FLAGS_RELEASE=$cflags")
        args+=("-DCMAKE_EXE_LINKER_FLAGS=$link")
        rm -rf "$dir"
        (cd "$QZ_ROOT" && cmake --preset win32 -B "$dir" "${args[@]}" >"$dir.configure.log" 2>&1) &&
            cmake --build "$dir" -j "$JOBS" --target qz >"$dir.build.log" 2>&1 &&
            STUDY[$label]=$(size_of "$dir/launcher/qz.exe" i686-w64-mingw32)
        # The program's own link map (its target writes it beside it; a map
        # asked for in the linker flags would also be written by CMake's
        # compiler checks, and qz's own option comes last).
        [ "$entry" = "${STUDY_FLAGS[0]}" ] && [ -f "$dir/launcher/qz.map" ] &&
            MAP_TABLE=$(python3 "$QZ_ROOT/bench/map_sizes.py" "$dir/launcher/qz.map" --members 14)
    done
}
