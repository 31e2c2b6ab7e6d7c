# The Wine session of the figures below: a private prefix and Xvfb under
# build/bench, the launcher and the timing programs on a medium.
# shellcheck shell=bash

source "$QZ_ROOT/scripts/lib/session.sh"
source "$QZ_ROOT/scripts/lib/launcher.sh"

win() { windows_path "$E2E_MEDIA/$1"; }  # win FILE: a file of the medium, as Windows names it

# bench_session_start: the session, ended by bench_session_end.
#   in:  BENCH (the win64 and win32 folders of bench_builds)
#   out: the e2e session (E2E_WORK, E2E_MEDIA, ...) with the programs on the
#        medium (the i686 ones in i686/); BUILDS, the builds whose start-up,
#        memory and folder tree are timed; BUILD_DIR, each one's folder on the
#        medium; NOT_TIMED_I686, why the i686 build is not timed
bench_session_start() {
    E2E_DRIVER=$BENCH/win64/tests/e2e/qzdrive.exe
    rm -rf "$BENCH/run" "$BENCH/prefix"
    e2e_work_create "$BENCH/run" || exit 1
    trap 'e2e_cleanup; rm -rf "$BENCH/prefix" "$BENCH/run"' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    e2e_xvfb_start 1024x768x24 || exit 1
    e2e_prefix_create "$BENCH/prefix" || exit 1
    e2e_media_create "$BENCH/win64/launcher/qz.exe" || exit 1
    cp "$BENCH"/win64/bench/{minimal_window,picture_window,paint_timer,shell_list,tree_timer,tree_insert,bare_tree,subfolders_timer}.exe "$E2E_MEDIA/"
    # The shipped i686 build and its baseline, in a folder of their own.
    mkdir -p "$E2E_MEDIA/i686"
    cp "$BENCH/win32/launcher/qz.exe" "$BENCH"/win32/bench/{minimal_window,picture_window}.exe "$E2E_MEDIA/i686/"
    # Both builds, except where 32-bit programs run under qemu's emulation
    # (its times and memory are the emulator's).
    BUILDS=(x86_64)
    qz_32bit_emulated || BUILDS+=(i686)
    declare -gA BUILD_DIR=([x86_64]="" [i686]="i686/")
    NOT_TIMED_I686="not timed: 32-bit programs run under qemu's emulation on this machine"
}

bench_session_end() {
    e2e_cleanup
    trap - EXIT
    rm -rf "$BENCH/prefix" "$BENCH/run"
}
