#!/usr/bin/env bash
# The same bytes from the same commit: two clones of it, in folders of
# different depth, built with clocks three days apart (faketime) and in
# different time zones, give byte-identical qz.exe and vorta.dll in both
# builds and the same disc image; each file's header carries the commit's
# time and neither names the folder it was built in. Builds only what it
# compares (the launcher and the library, no tests).
#
# Usage: tests/shipping/reproducible.sh   (after scripts/setup)
# Ends with "N passed, M failed".
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/tests/static/checks.sh"
cd "$QZ_ROOT" || exit 1

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
commit=$(git rev-parse HEAD)
commit_time=$(git log -1 --format=%ct)
say "two clones of $commit (committed at $commit_time)"

# The vendor's files for the images: the same small ones for both.
vendor=$work/vendor
mkdir -p "$vendor/Msde" "$vendor/tovk" "$vendor/Data"
printf 'engine setup\n' >"$vendor/Msde/SETUP.EXE"
printf 'payroll setup\n' >"$vendor/tovk/setup.exe"
printf 'backup\n' >"$vendor/Data/QUENTARO.bak"

# build_clone FOLDER CLOCK TZ: clones the commit into FOLDER and, with the
# clock moved by CLOCK (faketime's offset) in time zone TZ, builds the
# Windows launcher and library of both presets into its dist/ and writes
# its disc image into FOLDER/disc/qz.iso.
build_clone() {
    local folder=$1 clock=$2 zone=$3 preset
    git clone --quiet "$QZ_ROOT" "$folder" && git -C "$folder" checkout --quiet "$commit" || return 1
    (
        cd "$folder" || exit 1
        unset SOURCE_DATE_EPOCH
        export TZ=$zone
        for preset in win32 win64; do
            faketime -f "$clock" cmake --preset "$preset" >/dev/null &&
                faketime -f "$clock" cmake --build --preset "$preset" --target qz vorta >/dev/null &&
                cmake --install "build/$preset" --prefix "dist/$preset" >/dev/null || exit 1
        done
        faketime -f "$clock" scripts/medium --from "$vendor" --out disc/qz.iso >/dev/null
    )
}
first=$work/one/qz
second=$work/a/longer/path/to/the/second/clone
say "building in $first, the clock as it is, UTC"
build_clone "$first" +0d UTC
check "the first clone builds" [ $? -eq 0 ]
say "building in $second, the clock three days on, Asia/Shanghai"
build_clone "$second" +3d Asia/Shanghai
check "the second clone builds" [ $? -eq 0 ]

for build in win32 win64; do
    for name in qz.exe vorta.dll; do
        a=$first/dist/$build/$name b=$second/dist/$build/$name
        echo "  $build/$name: $(sha256sum <"$a" | cut -d' ' -f1) $(sha256sum <"$b" | cut -d' ' -f1)"
        check "$build/$name: the two builds are identical, byte for byte" cmp "$a" "$b"
        check "$build/$name: its header's time stamp is the commit's" \
            [ "$(qz_pe_field "$a" 8 4 u4)" = "$commit_time" ]
        check "$build/$name: it names neither build's folder" \
            bash -c '! grep -qaF -e "$1" -e "$2" "$3"' _ "$first" "$second" "$a"
    done
done
echo "  images: $(sha256sum <"$first/disc/qz.iso" | cut -d' ' -f1) $(sha256sum <"$second/disc/qz.iso" | cut -d' ' -f1)"
check "the two disc images are identical, byte for byte" cmp "$first/disc/qz.iso" "$second/disc/qz.iso"
check "the two SHA256SUMS are identical" cmp "$first/disc/SHA256SUMS" "$second/disc/SHA256SUMS"

checks_finish
