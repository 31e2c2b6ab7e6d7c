#!/bin/sh
# Finishes the PE header of a linked Windows file, in place:
#
# - its time stamp is the one in TIME_FILE (the commit's, see
#   source_date.cmake), not the clock's at the link, so that two builds of one
#   commit give the same bytes (the linker is told to write none);
# - with --run-from-swap, the COFF header's characteristics
#   IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP (0x0400) and
#   IMAGE_FILE_NET_RUN_FROM_SWAP (0x0800): a launcher on a disc that the
#   operator ejects or swaps (the engine's setup may ask for another) keeps
#   running, Windows paging its code in from a copy in the swap file, not from
#   the medium. GNU ld has no option for these two bits;
# - the header's checksum, made last over the changed file.
#
# Usage: pe_header.sh FILE TIME_FILE [--run-from-swap]
set -eu
file=$1
time=$(cat "$2")
case $time in '' | *[!0-9]*) echo "$2: not a time in seconds: $time" >&2; exit 1 ;; esac
header=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
[ "$(od -An -c -j"$header" -N4 "$file" | tr -d ' ')" = 'PE\0\0' ] || { echo "$file: not a PE file" >&2; exit 1; }

# put_le AT VALUE BYTES: VALUE written little-endian at offset AT.
put_le() {
    at=$1 value=$2 bytes=$3 octal=
    while [ "$bytes" -gt 0 ]; do
        octal="$octal$(printf '\\%03o' $((value & 0xFF)))"
        value=$((value >> 8)) bytes=$((bytes - 1))
    done
    printf "$octal" | dd of="$file" bs=1 seek="$at" conv=notrunc status=none
}

put_le $((header + 8)) "$time" 4
if [ "${3:-}" = --run-from-swap ]; then
    at=$((header + 22))
    put_le "$at" $(($(od -An -tu2 -j"$at" -N2 "$file" | tr -d ' ') | 0x0C00)) 2
fi

# The checksum: the 16-bit words added with their carries folded in, the
# checksum's own field left out, and the file's length added.
sum_at=$((header + 88))
size=$(wc -c <"$file")
checksum=$(od -An -v -tu2 "$file" | awk -v skip=$((sum_at / 2)) -v size="$size" '
    { for (i = 1; i <= NF; i++) {
          if (n != skip && n != skip + 1) { sum += $i; sum = sum % 65536 + int(sum / 65536) }
          n++ } }
    END { sum = sum % 65536 + int(sum / 65536); printf "%d", sum + size }')
put_le "$sum_at" "$checksum" 4
