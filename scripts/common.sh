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

say() { printf '==> %s\n' "$*"; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Runs a program in the project's own Wine prefix, quietly, with code page 936,
# for at most QZ_WINE_TIMEOUT seconds.
qz_wine() {
    timeout "${QZ_WINE_TIMEOUT:-300}" env WINEPREFIX="$QZ_WINEPREFIX" WINEARCH=win64 \
        WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" \
        LC_ALL=zh_CN.UTF-8 "$QZ_WINE" "$@"
}

# The Windows form of a Linux path, on Wine's drive Z:.
windows_path() { printf 'Z:%s' "$(realpath "$1" | tr '/' '\\')"; }

# Stops the wineserver of the project's prefix, and with it only that prefix's programs.
qz_wine_stop() {
    WINEPREFIX=$QZ_WINEPREFIX "$QZ_WINESERVER" -k 2>/dev/null || true
}
