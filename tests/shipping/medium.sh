#!/usr/bin/env bash
# scripts/medium: the demo's disc image and a vendor's, read back through
# Joliet as Windows reads them: the names (Chinese ones kept), the build's
# files byte for byte, autorun.inf's lines, the volume label, SHA256SUMS
# beside the image; the same image from the same files; a vendor folder that
# lacks a file the launcher opens stops the script with the file's name and
# no image.
#
# Usage: tests/shipping/medium.sh   (after scripts/build)
# Ends with "N passed, M failed".
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/tests/static/checks.sh"
cd "$QZ_ROOT" || exit 1

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT

# joliet_files ISO: every file of the image by its Joliet path, sorted.
joliet_files() {
    xorriso -read_fs norock -indev "$1" -find / -type f 2>/dev/null | sed "s/^'//; s/'$//" | LC_ALL=C sort
}
volume_id() { xorriso -indev "$1" -pvd_info 2>/dev/null | sed -nE "s/^Volume Id +: (.*)$/\1/p"; }
# extract ISO DIR: the image's files as Windows sees them (its Joliet tree).
extract() {
    rm -rf "$2" && xorriso -osirrox on -read_fs norock -indev "$1" -extract / "$2" >/dev/null 2>&1 &&
        chmod -R u+w "$2"
}
autorun_lines() { iconv -f CP936 -t UTF-8 "$1" | tr '\r\n' '|#' | tr -d '#'; }

say "the demo's disc"
output=$(scripts/medium --out "$work/demo/qz-demo.iso" 2>&1)
status=$?
echo "$output"
demo=$work/demo/qz-demo.iso
check "the demo's image is written" [ "$status" -eq 0 ] && [ -s "$demo" ]
check "the image's path is the last line printed" [ "$(tail -n1 <<<"$output")" = "$demo" ]
check "the demo's volume label says it is the demo's" [ "$(volume_id "$demo")" = QZ_DEMO ]
echo "  Joliet: $(joliet_files "$demo" | tr '\n' ' ')"
check "the demo's disc holds the build at its root, autorun.inf and the three companions" \
    [ "$(joliet_files "$demo" | tr '\n' ' ')" = "/Data/QUENTARO.bak /Msde/SETUP.EXE /README.txt /autorun.inf /qz.exe /tovk/setup.exe /vorta.dll /vorta.h " ]
extract "$demo" "$work/demo-files"
for name in qz.exe vorta.dll vorta.h README.txt; do
    check "the disc's $name is dist/win32's, byte for byte" cmp -s "$work/demo-files/$name" "dist/win32/$name"
done
check "the disc's launcher is the i686 build" qz_pe_is_32bit "$work/demo-files/qz.exe"
check "the demo's setups are the stand-ins" cmp -s "$work/demo-files/Msde/SETUP.EXE" build/win64/standin/setups/engine_setup.exe
echo "  autorun.inf: $(autorun_lines "$work/demo-files/autorun.inf")"
check "autorun.inf starts the launcher with its icon, under the demo's label (code page 936, CRLF)" \
    [ "$(autorun_lines "$work/demo-files/autorun.inf")" = '[autorun]|open=qz.exe|icon=qz.exe,0|label=安装程序（演示）|' ]
sums=$work/demo/SHA256SUMS
check "SHA256SUMS lies beside the image" [ -s "$sums" ]
check "SHA256SUMS names every file of the disc and the image" \
    [ "$(awk '{print $2}' "$sums" | LC_ALL=C sort | tr '\n' ' ')" = \
    "$(joliet_files "$demo" | sed 's|^/||' | (cat; echo qz-demo.iso) | LC_ALL=C sort | tr '\n' ' ')" ]
check "the disc's files match SHA256SUMS" bash -c 'cd "$1" && grep -v " qz-demo.iso$" "$2" | sha256sum --quiet -c' _ "$work/demo-files" "$sums"
check "the image matches SHA256SUMS" bash -c 'cd "$1" && grep " qz-demo.iso$" SHA256SUMS | sha256sum --quiet -c' _ "$work/demo"
scripts/medium --out "$work/again/qz-demo.iso" >/dev/null 2>&1
check "the same files make the same image, byte for byte" cmp -s "$demo" "$work/again/qz-demo.iso"

say "a vendor's disc: its folders taken whole, names in any case and Chinese kept"
vendor=$work/vendor
mkdir -p "$vendor/MSDE/Binn" "$vendor/tovk" "$work/backups" "$vendor/other"
# The backup's folder is a link to where the vendor keeps it.
ln -s "$work/backups" "$vendor/Data"
printf 'engine setup\n' >"$vendor/MSDE/setup.exe"
printf 'engine file\n' >"$vendor/MSDE/Binn/sqlservr.exe"
# The payroll setup as the vendor's build left it, linked into the folder.
printf 'payroll setup\n' >"$work/payroll-build.exe"
ln -s "$work/payroll-build.exe" "$vendor/tovk/setup.exe"
printf 'notes\n' >"$vendor/tovk/工资软件安装说明.txt"
printf 'backup\n' >"$vendor/Data/QUENTARO.bak"
printf 'not for the disc\n' >"$vendor/other/file.txt"
output=$(scripts/medium --from "$vendor" --out "$work/vendor-disc/qz.iso" 2>&1)
check "the vendor's image is written" [ $? -eq 0 ] && [ -s "$work/vendor-disc/qz.iso" ]
echo "  Joliet: $(joliet_files "$work/vendor-disc/qz.iso" | tr '\n' ' ')"
check "the vendor's folders are on the disc whole, by their own names; nothing else of the folder" \
    [ "$(joliet_files "$work/vendor-disc/qz.iso" | tr '\n' ' ')" = "/Data/QUENTARO.bak /MSDE/Binn/sqlservr.exe /MSDE/setup.exe /README.txt /autorun.inf /qz.exe /tovk/setup.exe /tovk/工资软件安装说明.txt /vorta.dll /vorta.h " ]
extract "$work/vendor-disc/qz.iso" "$work/vendor-files"
check "a Chinese file name reads back through Joliet with its content" \
    [ "$(cat "$work/vendor-files/tovk/工资软件安装说明.txt" 2>/dev/null)" = notes ]
check "a companion that is a link is on the disc as the file it names" \
    [ "$(cat "$work/vendor-files/tovk/setup.exe" 2>/dev/null)" = 'payroll setup' ]
check "a folder that is a link is on the disc as the folder it names" \
    [ "$(cat "$work/vendor-files/Data/QUENTARO.bak" 2>/dev/null)" = backup ]
check "the vendor's disc is labelled as the product's" [ "$(volume_id "$work/vendor-disc/qz.iso")" = QZ_SETUP ]
check "its autorun.inf carries the product's label" \
    [ "$(autorun_lines "$work/vendor-files/autorun.inf")" = '[autorun]|open=qz.exe|icon=qz.exe,0|label=安装程序|' ]

say "a vendor's folder that lacks a file the launcher opens"
for missing in Msde/SETUP.EXE tovk/setup.exe Data/QUENTARO.bak; do
    rm -rf "$work/lacking" "$work/lacking-disc"
    cp -RL "$vendor" "$work/lacking"
    rm -f "$work/lacking/$(cd "$work/lacking" && find . -mindepth 2 -maxdepth 2 -ipath "./$missing" | head -n1)"
    output=$(scripts/medium --from "$work/lacking" --out "$work/lacking-disc/qz.iso" 2>&1)
    status=$?
    echo "  without $missing: $output"
    check "without $missing: the script fails" [ "$status" -eq 1 ]
    check "without $missing: the message names it" grep -qF "lacks $missing" <<<"$output"
    check "without $missing: no image and no checksums are written" \
        [ ! -e "$work/lacking-disc/qz.iso" ] && [ ! -e "$work/lacking-disc/SHA256SUMS" ]
done
output=$(scripts/medium --from "$work/nowhere" --out "$work/nowhere.iso" 2>&1)
check "a vendor folder that does not exist is named" grep -qF "no folder $work/nowhere" <<<"$output"

checks_finish
