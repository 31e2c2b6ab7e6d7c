# File size: stripped copies of the shipped files, as the bench built them at
# this commit (dist/ holds whatever was built last, which may be older).
# shellcheck shell=bash

size_of() {  # size_of FILE TRIPLE: bytes of a stripped copy
    local copy=$BENCH/stripped.tmp
    cp "$1" "$copy" && "$2-strip" "$copy" && stat -c %s "$copy"
    rm -f "$copy"
}

# bench_size: the shipped files' sizes.
#   in:  BENCH (the folders of bench_builds)
#   out: SIZE and SIZE_SOURCE (keyed win32/qz.exe, win64/vorta.dll, ...), BENCH_QZ32_SIZE
bench_size() {
    local arch triple file built
    say "file size"
    declare -gA SIZE SIZE_SOURCE
    for arch in win32 win64; do
        triple=$([ $arch = win32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
        for file in qz.exe vorta.dll; do
            built=$BENCH/$arch/launcher/qz.exe
            [ $file = vorta.dll ] && built=$(find "$BENCH/$arch/checksum" -name vorta.dll | head -n1)
            SIZE[$arch/$file]=$(size_of "$built" $triple)
            SIZE_SOURCE[$arch/$file]="${built#"$QZ_ROOT"/}"
        done
    done
    BENCH_QZ32_SIZE=$(size_of "$BENCH/win32/launcher/qz.exe" i686-w64-mingw32)
}
