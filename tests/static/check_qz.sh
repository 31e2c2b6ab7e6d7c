#!/usr/bin/env bash
# Static checks of the built launchers: a GUI program of the right machine
# that needs only DLLs every Windows has (everything else is linked in).
# Usage: check_qz.sh <dist folder>
set -uo pipefail
dist=${1:?usage: check_qz.sh <dist folder>}
resource_dir=$(cd "$(dirname "$0")/../../launcher/resources" && pwd)

source "$(dirname "$0")/checks.sh"

# What the program imports: only what loads no library by name at its start,
# on any Windows it runs on (docs/WINDOWS-IMPORTS.md). The rest is loaded
# through the delay-load hook, after the search is guarded.
static_dlls='^(kernel32|advapi32|msvcrt)\.dll$'
delayed_dlls=(user32 gdi32 shell32 comctl32 ole32 odbc32)

check_exe() {
    local triple=$1 format=$2 exe=$3
    echo "checking $exe"
    if [ ! -f "$exe" ]; then
        check "$exe exists" false
        return
    fi
    local headers imports unexpected
    headers=$("$triple-objdump" -p "$exe")
    imports=$(sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
    echo "  imports: $(tr '\n' ' ' <<<"$imports")"
    unexpected=$(grep -vE "$static_dlls" <<<"$imports" || true)
    check "$exe is a $format program" grep -q "file format $format" <<<"$("$triple-objdump" -f "$exe")"
    check "$exe is a Windows GUI program" grep -qE '^Subsystem[[:space:]]+0+2' <<<"$headers"
    # Started from a disc or a share, it runs from a copy in the swap file.
    check "$exe runs from the swap file when started from removable media" \
        grep -qx $'\tcopy to swap file if on removable media' <<<"$headers"
    check "$exe runs from the swap file when started from the network" \
        grep -qx $'\tcopy to swap file if on network media' <<<"$headers"
    check "$exe: the header's checksum matches the file" python3 "$(dirname "$0")/pe_checksum.py" "$exe"
    check "$exe imports only kernel32, advapi32 and msvcrt (not: ${unexpected//$'\n'/ })" [ -z "$unexpected" ]
    check "$exe imports all three" [ "$(grep -cE "$static_dlls" <<<"$imports")" = 3 ]
    check "$exe links no C++ runtime DLL" [ -z "$(grep -E 'libstdc|libgcc|winpthread|libjpeg' <<<"$imports")" ]
    # user32, gdi32, ODBC, the shell, the common controls and OLE are
    # delay-loaded: named in the delay-load tables with their functions, by
    # the names the DLLs export (no stdcall decoration on i686).
    local dll delayed
    delayed=$(python3 "$(dirname "$0")/pe_imports.py" "$exe" | awk -F'\t' '$3 == "delay" { print tolower($1) }' | sort -u)
    for dll in "${delayed_dlls[@]}"; do
        check "$exe loads $dll.dll when first called" grep -qx "$dll.dll" <<<"$delayed"
    done
    local strings
    strings=$(strings -n 5 "$exe")
    for function in SQLDriverConnectW SQLExecDirectW SQLGetDiagRecW ShellExecuteExW SHGetFileInfoW SHGetDesktopFolder \
        InitCommonControlsEx OleInitialize CoTaskMemFree CreateWindowExW GetMessageW BitBlt CreateFontW; do
        check "$exe imports $function later by its plain name" grep -qx "$function" <<<"$strings"
    done
    check "$exe has no decorated name among the functions loaded later" \
        [ -z "$(grep -E '^(SQL|SH|Shell|IL|InitCommon|Ole|Co)[A-Za-z]*@[0-9]+$' <<<"$strings")" ]
    # The resource directory: each type entry, then its names and leaves.
    local resources jpeg_size
    resources=$(sed -n '/^The .rsrc Resource Directory section:/,/Resources start at/p' <<<"$headers")
    jpeg_size=$(printf '0x%06x' "$(stat -c %s "$resource_dir/background.jpg")")
    check "$exe: icon group MAINICON" grep -qE 'name: .*: MAINICON,' <<<"$resources"
    check "$exe: cursor group HANDPOINT" grep -qE 'name: .*: HANDPOINT,' <<<"$resources"
    check "$exe: bitmap BROWSEGLYPH" grep -qE 'name: .*: BROWSEGLYPH,' <<<"$resources"
    check "$exe: picture BACKGROUND, the whole JPEG" \
        grep -qE "BACKGROUND, Value: .*" <<<"$resources"
    check "$exe: the picture resource holds $jpeg_size bytes" grep -qE "Leaf: Addr: 0x[0-9a-f]+, Size: $jpeg_size," <<<"$resources"
    check "$exe: a version resource" grep -qE '^0[0-9a-f]+   Entry: ID: 0x000010,' <<<"$resources"
    check "$exe: a manifest" grep -qE '^0[0-9a-f]+   Entry: ID: 0x000018,' <<<"$resources"
    check "$exe: resources in Simplified Chinese" grep -qE 'Entry: ID: 0x000804,' <<<"$resources"
}

check_exe i686-w64-mingw32 pei-i386 "$dist/win32/qz.exe"
check_exe x86_64-w64-mingw32 pei-x86-64 "$dist/win64/qz.exe"

# The subsystem version the loader compares with the system's: at most 5.0
# (Windows 2000) for i686, 5.2 (XP x64) for x86_64; above it the program
# would not start there.
for build in "win32:i686-w64-mingw32:500" "win64:x86_64-w64-mingw32:502"; do
    IFS=: read -r folder triple most <<<"$build"
    for file in qz.exe vorta.dll; do
        version=$("$triple-objdump" -p "$dist/$folder/$file" |
            awk '/^MajorSubsystemVersion/ { major = $2 } /^MinorSubsystemVersion/ { minor = $2 }
                 END { printf "%d", major * 100 + minor }')
        check "$folder/$file: subsystem version $version at most $most" [ "${version:-999}" -le "$most" ]
    done
done

# Every imported function, ordinary or delay-loaded, on the build's floor.
table=$(dirname "$0")/../../docs/WINDOWS-IMPORTS.md
for build in "win32:Windows 2000" "win64:Windows XP x64"; do
    folder=${build%%:*} floor=${build#*:}
    offending=$(python3 "$(dirname "$0")/check_imports.py" "$table" "$floor" "$dist/$folder/qz.exe" \
        "$dist/$folder/vorta.dll" 2>&1)
    [ -z "$offending" ] || echo "$offending"
    check "$folder: every imported function is in the table and on $floor" [ -z "$offending" ]
done

# Every delay-load slot points at its own loading stub: the first call of a
# function loads its DLL rather than jumping to address 0.
here=$(dirname "$0")
for folder in win32 win64; do
    slots=$(python3 "$here/check_delay_slots.py" "$dist/$folder/qz.exe" 2>&1)
    echo "  $folder: $(tail -n1 <<<"$slots")"
    check "$folder/qz.exe: every delay-load slot leads to its loading code" \
        [ "$(tail -n1 <<<"$slots")" = "$(grep -c $'\tdelay$' <(python3 "$here/pe_imports.py" "$dist/$folder/qz.exe")) delay-load slots checked, 0 bad" ]
    # The check itself: a copy whose first slot holds 0, as GNU ld left them
    # on i686, and one whose slot leads to another function's stub, fail it.
    broken=$(mktemp)
    python3 - "$here" "$dist/$folder/qz.exe" "$broken" <<'PY'
import struct, sys
sys.path.insert(0, sys.argv[1])
import pe_imports
data = bytearray(open(sys.argv[2], "rb").read())
image = pe_imports.Image(bytes(data))
slots = list(pe_imports.delay_slots(image))
form = "<Q" if image.pe32plus else "<I"
struct.pack_into(form, data, image.offset(slots[0][2]), 0)
struct.pack_into(form, data, image.offset(slots[1][2]), slots[2][3])
open(sys.argv[3], "wb").write(data)
PY
    bad=$(python3 "$here/check_delay_slots.py" "$broken" | tail -n1)
    check "$folder: a slot holding 0 and a slot leading to another stub are both found ($bad)" \
        [ "$(sed -E 's/.*, ([0-9]+) bad$/\1/' <<<"$bad")" = 2 ]
    rm -f "$broken"
done

# The delay-load helper asks the launcher's own hook before every load (which
# loads from the system folder by full path): the hook's variable comes from
# win32/delay_load.cpp, not the helper library's empty default.
for build in win32 win64; do
    hook=$(awk '/^ \.data\$__pfnDliNotifyHook2/ { getline; print $NF; exit }' "$here/../../build/$build/launcher/qz.map")
    check "$build/qz.exe: the delay-load hook is the launcher's own (from: ${hook:-nowhere})" \
        grep -q 'CMakeFiles/qz.dir/win32/delay_load.cpp.obj$' <<<"$hook"
    # The check itself: the control build, linked without the hook, fails it.
    hook=$(awk '/^ \.data\$__pfnDliNotifyHook2/ { getline; print $NF; exit }' \
        "$here/../../build/$build/tests/e2e/qz_unhooked.map")
    check "$build: the control build without the hook has none of its own" [ -z "$hook" ]
done

# The C++ library's exception classes keep their texts in a string type of
# their own: linked, they bring a second copy of the string code (some 80 KB).
# The launcher defines the library's throws itself; a new use of one it does
# not define would bring them back.
for build in win32 win64; do
    linked=$(grep -oE 'libstdc\+\+\.a\((functexcept|cow-stdexcept|cow-string-inst|string-inst)\.o\)' \
        "$here/../../build/$build/launcher/qz.map" | sort -u | tr '\n' ' ')
    check "$build/qz.exe links none of the library's exception texts (linked: ${linked:-none})" [ -z "$linked" ]
    # Built without exceptions: no unwinder, no personality routine, nothing
    # that throws or catches (the library's own operator new throws).
    linked=$(grep -oE 'lib(gcc_eh|stdc\+\+)\.a\((unwind-[a-z0-9-]+|emutls|eh_[a-z_]+|new_op|new_opnt)\.o\)' \
        "$here/../../build/$build/launcher/qz.map" | sort -u | tr '\n' ' ')
    check "$build/qz.exe links no exception support (linked: ${linked:-none})" [ -z "$linked" ]
done

# The i686 builds need a Pentium Pro or later (the toolchain's libraries use
# CMOV), and nothing more: no instruction on the MMX or SSE registers in their
# code, found through the link maps.
build32=$here/../../build/win32
for program in "launcher/qz.exe:launcher/qz.map" "checksum/vorta.dll:checksum/vorta.map"; do
    result=$(python3 "$here/check_instructions.py" i686-w64-mingw32-objdump "$build32/${program%%:*}" \
        "$build32/${program#*:}" 2>&1)
    echo "  ${program%%:*}: $(tail -n1 <<<"$result")"
    check "win32/${program%%:*} needs no MMX or SSE" \
        grep -qE '^[1-9][0-9]* sections, .* 0 instructions beyond the floor$' <<<"$(tail -n1 <<<"$result")"
done
# The check itself: a program whose arithmetic is compiled for SSE2 fails it.
sse=$(mktemp -d)
printf 'double scale(double a, double b) { return a * b + 1.0; }\nint main() { return (int)scale(2.0, 3.0); }\n' \
    >"$sse/sse.c"
i686-w64-mingw32-gcc-win32 -O2 -msse2 -mfpmath=sse "$sse/sse.c" -o "$sse/sse.exe" "-Wl,-Map=$sse/sse.map" 2>/dev/null
found=$(python3 "$here/check_instructions.py" i686-w64-mingw32-objdump "$sse/sse.exe" "$sse/sse.map" | tail -n1)
check "a program compiled for SSE2 is found ($found)" grep -qvE ' 0 instructions beyond' <<<"$found"
rm -rf "$sse"

checks_finish
