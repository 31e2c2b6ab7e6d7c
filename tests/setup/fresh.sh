#!/usr/bin/env bash
# scripts/setup as it runs on a machine that never ran it, on this machine
# where the packages are already installed: an empty cache, an ODBC
# configuration that names no driver, a new Wine prefix, a hosts file without
# "(local)" and a locale list without zh_CN, so that every step takes its
# first-time path. Then what setup must leave behind, a second run that has
# nothing to do, the package archive out of step (apt replaced by a stand-in
# on the PATH), and every package that setup names resolving in this
# machine's package lists for its architecture, without downloading anything.
#
# Usage: tests/setup/fresh.sh   Ends with "N passed, M failed".
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"

passed=0
failed=0
check() {  # WHAT COMMAND...: passes when the command succeeds; its status
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        return 0
    fi
    failed=$((failed + 1))
    printf 'FAIL: %s\n  command: %s\n  at %s:%s\n' "$what" "$*" "${BASH_SOURCE[0]##*/}" "${BASH_LINENO[0]}"
    return 1
}
contains() { grep -qF -- "$2" "$1"; }
not() { ! "$@"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/qz-fresh.XXXXXX")
fresh_cache=$work/cache
fresh_prefix=$fresh_cache/wine64
cleanup() {
    [ -d "$fresh_prefix" ] && WINEPREFIX=$fresh_prefix "$QZ_WINESERVER" -k 2>/dev/null
    if [ "$failed" -eq 0 ] && [ "${QZ_KEEP:-0}" != 1 ]; then rm -rf "$work"; else echo "files kept in $work"; fi
}
trap cleanup EXIT
mkdir -p "$fresh_cache" "$work/odbc" "$work/bin" "$work/apt-bin"

# ------------------------------------------------------- the package names

# simulate_install PACKAGE...: apt resolves every name for its architecture
# (a simulation: nothing is downloaded or installed).
simulate_install() {
    apt-get install -s -qq --no-install-recommends "$@" >"$work/simulate.log" 2>&1 &&
        ! grep -q '^E:' "$work/simulate.log"
}
mapfile -t packages < <("$QZ_ROOT/scripts/setup" --packages)
check "setup names packages (${#packages[@]})" test "${#packages[@]}" -gt 20
check "every package setup names resolves for its architecture" simulate_install "${packages[@]}" ||
    sed 's/^/  /' "$work/simulate.log"
check "a name of the wrong architecture would not" not simulate_install tdsodbc:mips64el
check "a misspelt name would not" not simulate_install tdsodcb

# ------------------------------------------------------- setup from nothing

# Stand-ins: `locale` lists no zh_CN, so the locale is generated again;
# `dpkg-query` hides one installed package, and `apt-get update` fails as an
# archive caught mid-sync does, so setup must retry, then go on and install
# with the lists it has (the stand-in's install only records what it was
# asked for). Every other apt-get command is the real one.
sync_error='E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 127.0.0.1 80]'
cat >"$work/bin/locale" <<'EOF'
#!/bin/sh
[ "$1" = -a ] && { printf 'C\nC.utf8\nPOSIX\n'; exit 0; }
exec /usr/bin/locale "$@"
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/sh
/usr/bin/dpkg-query "$@" | grep -v '^xdotool:'
EOF
cat >"$work/bin/apt-get" <<EOF
#!/bin/sh
case "\$1 \$2 \$3" in
    *update*) echo "\$*" >>"$work/apt-updates.log"; echo '$sync_error' >&2; exit 100 ;;
    *install*) echo "\$*" >>"$work/apt-installs.log"; exit 0 ;;
esac
exec /usr/bin/apt-get "\$@"
EOF
# sudo, where setup needs it, runs the stand-ins too.
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*
grep -v '(local)' /etc/hosts >"$work/hosts"

fresh_setup() {  # BIN LOG: scripts/setup against the fresh state, with the stand-ins in BIN
    local bin=$1 log=$2
    env PATH="$bin:$PATH" QZ_CACHE="$fresh_cache" QZ_WINEPREFIX="$fresh_prefix" ODBCSYSINI="$work/odbc" \
        QZ_HOSTS_FILE="$work/hosts" QZ_APT_PAUSE=0 QZ_APT_TRIES=3 "$QZ_ROOT/scripts/setup" >"$log" 2>&1
}
say "scripts/setup from nothing (its Wine prefix's 32-bit half takes minutes under emulation)"
started=$(date +%s)
fresh_setup "$work/bin" "$work/setup-1.log"
status=$?
say "scripts/setup from nothing: status $status in $(($(date +%s) - started)) s"
sed 's/^/  /' "$work/setup-1.log"
check "setup from nothing succeeds" test "$status" -eq 0

check "apt-get update was tried 3 times" test "$(wc -l <"$work/apt-updates.log" 2>/dev/null)" = 3
check "setup said it goes on with the lists apt has" contains "$work/setup-1.log" "going on with the lists apt has"
check "the missing package was installed all the same" grep -qw xdotool "$work/apt-installs.log"
check "the zh_CN.UTF-8 locale was generated" contains "$work/setup-1.log" "generating the zh_CN.UTF-8 locale"
check "the locale is there" sh -c "locale -a | grep -qix zh_CN.utf8"

# driver_of INI_FOLDER: the library that "SQL Server" names in that folder's
# odbcinst.ini.
driver_of() { ODBCSYSINI=$1 odbcinst -q -d -n 'SQL Server' 2>/dev/null | sed -n 's/^Driver *= *//p'; }
driver64=$(driver_of "$work/odbc")
driver32=$(driver_of "$fresh_cache/odbc-i386")
check "'SQL Server' for 64-bit programs is a 64-bit x86-64 library ($driver64)" \
    sh -c "file -L '$driver64' | grep -q 'ELF 64-bit.*x86-64'"
check "'SQL Server' for 32-bit programs is a 32-bit i386 library ($driver32)" \
    sh -c "file -L '$driver32' | grep -q 'ELF 32-bit.*Intel 80386'"

check "(local) was added to a hosts file without it" grep -qE '^127\.0\.0\.1[[:space:]]+\(local\)$' "$work/hosts"
check "the hosts file keeps its other lines" test "$(grep -vc '(local)' "$work/hosts")" = "$(grep -vc '(local)' /etc/hosts)"
check "(local) resolves to 127.0.0.1 on this machine" sh -c "getent hosts '(local)' | grep -q '^127\.0\.0\.1 '"

check "the prefix has its 64-bit half" test "$(qz_pe_field "$fresh_prefix/drive_c/windows/system32/kernel32.dll" 4 2 x2)" = 8664
check "the prefix has its 32-bit half" qz_pe_is_32bit "$fresh_prefix/drive_c/windows/syswow64/kernel32.dll"
check "the prefix has Wine's fonts and the faces" test -f "$fresh_prefix/drive_c/windows/Fonts/marlett.ttf" -a -f "$fresh_prefix/.qz-fonts-1"

jpeg_format() { "$1-w64-mingw32-objdump" -f "$fresh_cache/libjpeg-turbo/$1-picture/lib/libjpeg.a" 2>/dev/null | sed -n 's/.*file format //p' | sort -u; }
check "libjpeg-turbo for i686 is i386 code" test "$(jpeg_format i686)" = pe-i386
check "libjpeg-turbo for x86_64 is x86-64 code" test "$(jpeg_format x86_64)" = pe-x86-64
check "libjpeg-turbo's header is there for both" \
    test -f "$fresh_cache/libjpeg-turbo/i686-picture/include/jpeglib.h" -a -f "$fresh_cache/libjpeg-turbo/x86_64-picture/include/jpeglib.h"
# Built without the transforms and paths that the picture never takes: the
# installed configuration says so, and the transform that it takes is there.
for arch in i686 x86_64; do
    config=$fresh_cache/libjpeg-turbo/$arch-picture/include/jmorecfg.h
    check "libjpeg-turbo for $arch has the integer and scaled transforms, merged upsampling and progressive decoding off" \
        test "$(grep -cE '^#undef[[:space:]]+(DCT_ISLOW|DCT_IFAST|IDCT_SCALING|UPSAMPLE_MERGING|QUANT_1PASS|D_PROGRESSIVE|BLOCK_SMOOTHING)_SUPPORTED' "$config")" = 7
    check "libjpeg-turbo for $arch keeps the float transform and the two-pass quantiser" \
        test "$(grep -cE '^#define[[:space:]]+(DCT_FLOAT|QUANT_2PASS)_SUPPORTED' "$config")" = 2
done

# ------------------------------------------------------- a second run

say "scripts/setup again: nothing left to do"
# Only a recorder of apt's calls: the stand-ins above would make work.
mkdir -p "$work/bin-2"
printf '#!/bin/sh\necho "$*" >>"%s"\nexec /usr/bin/apt-get "$@"\n' "$work/apt-calls-2.log" >"$work/bin-2/apt-get"
chmod +x "$work/bin-2/apt-get"
fresh_setup "$work/bin-2" "$work/setup-2.log"
check "the second run succeeds" test $? -eq 0
check "the second run does nothing but say so" test "$(grep -c '^==>' "$work/setup-2.log")" = 1
check "the second run asks nothing of apt" test ! -e "$work/apt-calls-2.log"
grep '^==>' "$work/setup-2.log" | sed 's/^/  /'

# ------------------------------------------------------- the archive out of step

say "the archive out of step: the install fails too"
cat >"$work/apt-bin/apt-get" <<EOF
#!/bin/sh
case "\$*" in
    *update*) echo '$sync_error' >&2; exit 100 ;;
    *install*) echo 'E: Unable to correct problems, you have held broken packages.' >&2; exit 100 ;;
esac
exit 1
EOF
cp "$work/bin/sudo" "$work/apt-bin/sudo"
printf '#!/bin/sh\n/usr/bin/dpkg-query "$@" | grep -v -e "^xdotool:" -e "^tdsodbc:i386 "\n' >"$work/apt-bin/dpkg-query"
chmod +x "$work/apt-bin/"*
broken_cache=$work/broken-cache
env PATH="$work/apt-bin:$PATH" QZ_CACHE="$broken_cache" ODBCSYSINI="$work/odbc-broken" QZ_APT_PAUSE=0 \
    "$QZ_ROOT/scripts/setup" >"$work/setup-3.out" 2>"$work/setup-3.err"
check "setup fails when the install fails" test $? -ne 0
sed 's/^/  /' "$work/setup-3.err"
check "the message names the packages it could not install" \
    grep -qE '^setup: could not install these packages: (xdotool tdsodbc:i386|tdsodbc:i386 xdotool)$' "$work/setup-3.err"
check "the message gives apt-get update's failing index" contains "$work/setup-3.err" "apt-get update: $sync_error"
check "the message gives apt-get install's error" contains "$work/setup-3.err" "apt-get install: E: Unable to correct problems"
check "the message says what to do" contains "$work/setup-3.err" "wait a few minutes and run scripts/setup again"
check "one message, not pages of apt's" test "$(wc -l <"$work/setup-3.err")" -le 6
check "nothing was made after the failed install" test ! -e "$broken_cache/wine64" -a ! -e "$broken_cache/odbc-i386" -a ! -e "$work/odbc-broken/odbcinst.ini"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
