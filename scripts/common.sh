# Sourced by the scripts in this folder: paths and small helpers they share.
# shellcheck shell=bash

QZ_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# What scripts/setup builds once per machine (libjpeg-turbo, the Wine prefix).
# cmake/QzDependencies.cmake derives the same default.
QZ_CACHE=${QZ_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qz}
export QZ_CACHE

QZ_WINE=/usr/lib/wine/wine64
QZ_WINESERVER=/usr/lib/wine/wineserver64
QZ_WINEPREFIX=${QZ_WINEPREFIX:-$QZ_CACHE/wine64}
# The loader of 32-bit Windows programs (the shipped i686 builds); the same
# prefix and wineserver serve both halves.
QZ_WINE32=/usr/lib/wine/wine
# The ODBC folder of 32-bit programs: their "SQL Server" is the 32-bit FreeTDS.
QZ_ODBCSYSINI32=$QZ_CACHE/odbc-i386

say() { printf '==> %s\n' "$*"; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# True when 32-bit Linux programs (Wine's 32-bit loader) run under qemu's
# emulation: a binfmt_misc handler comes before the kernel's own loader.
qz_32bit_emulated() {
    grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386
}

# qz_pe_field FILE OFFSET SIZE FORMAT: a field of a Windows file's PE header,
# OFFSET bytes after its signature, as od prints it (FORMAT: u4, x2, ...).
qz_pe_field() {
    local header
    header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$header" ] && od -An "-t$4" -j$((header + $2)) -N"$3" "$1" 2>/dev/null | tr -d ' '
}

# True when FILE is a 32-bit Windows program or library (PE machine i386).
qz_pe_is_32bit() {
    [ -f "$1" ] && [ "$(qz_pe_field "$1" 4 2 x2)" = 014c ]
}

# qz_wine_command PROGRAM: sets QZ_WINE_COMMAND to the command that runs
# PROGRAM under Wine in the project's prefix, quietly, with code page 936:
# the 32-bit loader and the 32-bit ODBC folder for a 32-bit program (winedbg
# off: under the emulation it cannot attach and hangs, so a crash ends the
# program at once), the 64-bit loader for anything else.
qz_wine_command() {
    QZ_WINE_COMMAND=(env WINEPREFIX="$QZ_WINEPREFIX" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
        LC_ALL=zh_CN.UTF-8)
    if qz_pe_is_32bit "$1"; then
        QZ_WINE_COMMAND+=(WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winedbg.exe=d"
            ODBCSYSINI="$QZ_ODBCSYSINI32" "$QZ_WINE32")
    else
        QZ_WINE_COMMAND+=(WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" "$QZ_WINE")
    fi
}

# Runs a program in the project's own Wine prefix (see qz_wine_command) for
# at most QZ_WINE_TIMEOUT seconds.
qz_wine() {
    qz_wine_command "$1"
    timeout "${QZ_WINE_TIMEOUT:-300}" "${QZ_WINE_COMMAND[@]}" "$@"
}

# The Windows form of a Linux path, on Wine's drive Z:.
windows_path() { printf 'Z:%s' "$(realpath "$1" | tr '/' '\\')"; }

# Stops the wineserver of the project's prefix, and with it only that prefix's programs.
qz_wine_stop() {
    WINEPREFIX=$QZ_WINEPREFIX "$QZ_WINESERVER" -k 2>/dev/null || true
}
