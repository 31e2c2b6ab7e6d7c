#!/usr/bin/env bash
# Static checks of the built checksum libraries, for the builds that cannot run
# here (i686) and for what a loader sees (export and import tables).
# Usage: check_vorta.sh <dist folder>
set -uo pipefail
dist=${1:?usage: check_vorta.sh <dist folder>}

source "$(dirname "$0")/checks.sh"

has_line() { grep -qE "$1" <<<"$2"; }
count_is() { [ "$(grep -cE "$1" <<<"$2")" -eq "$3" ]; }

check_dll() {
    local triple=$1 format=$2 dll=$3
    local objdump=$triple-objdump
    echo "checking $dll"
    if [ ! -f "$dll" ]; then
        check "$dll exists" false
        return
    fi
    local headers exports
    headers=$("$objdump" -p "$dll")
    # From the export directory to the end of the name table.
    exports=$(awk '/^The Export Tables/ {on = 1; print; next} on && /^(The |PE File)/ {on = 0} on' <<<"$headers")

    check "$dll is a $format DLL" has_line "file format $format" "$("$objdump" -f "$dll")"
    check "$dll: export directory names the module vorta.dll" has_line '^Name[[:space:]]+[0-9a-f]+ vorta\.dll$' "$exports"
    check "$dll: ordinal base is 1" has_line '^Ordinal Base[[:space:]]+1$' "$exports"
    check "$dll: one export address" has_line 'Export Address Table[[:space:]]+0+1$' "$exports"
    check "$dll: one export name" has_line '\[Name Pointer/Ordinal\] Table[[:space:]]+0+1$' "$exports"
    check "$dll: ordinal 1 is an export" has_line '\+base\[[[:space:]]*1\] [0-9a-f]+ Export RVA' "$exports"
    check "$dll: the name table holds one name" count_is '^[[:space:]]*\[[[:space:]]*[0-9]+\] [^ ]+$' "$exports" 1
    check "$dll: the name jmPass is exported" has_line '^[[:space:]]*\[[[:space:]]*0\] jmPass$' "$exports"
    check "$dll: imports no DLL" count_is 'DLL Name:' "$headers" 0

    if [ "$format" = pei-i386 ]; then
        # On i686 the callee pops its 4-byte argument (__stdcall): the first
        # return of jmPass must be "ret $0x4", not a plain "ret".
        local base rva start first_ret
        base=$(awk '/^ImageBase/ {print $2}' <<<"$headers")
        rva=$(sed -nE 's/.*\+base\[ *1\] ([0-9a-f]+) Export RVA.*/\1/p' <<<"$headers")
        start=$(printf '0x%x' $((0x$base + 0x$rva)))
        first_ret=$("$objdump" -d --start-address="$start" --stop-address=$((start + 0x200)) "$dll" |
            grep -m1 -E '[[:space:]]ret[[:space:]]*' || true)
        echo "  first return of jmPass: ${first_ret:-none}"
        check "$dll: jmPass returns with ret \$0x4" has_line 'ret[[:space:]]+\$0x4$' "$first_ret"
    fi
}

check_so() {
    local so=$1
    echo "checking $so"
    if [ ! -f "$so" ]; then
        check "$so exists" false
        return
    fi
    local defined
    defined=$(nm -D --defined-only "$so" | awk '{print $3}' | sort)
    check "$so exports jmPass and nothing else" [ "$defined" = jmPass ]
    check "$so: jmPass is a function" has_line ' T jmPass$' "$(nm -D --defined-only "$so")"
}

check_dll i686-w64-mingw32 pei-i386 "$dist/win32/vorta.dll"
check_dll x86_64-w64-mingw32 pei-x86-64 "$dist/win64/vorta.dll"
check_so "$dist/linux/libvorta.so"

checks_finish
