#!/bin/sh
# Marks a Windows program to be copied to the swap file and run from there
# when it is started from removable media or the network: the COFF header's
# characteristics IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP (0x0400) and
# IMAGE_FILE_NET_RUN_FROM_SWAP (0x0800). A launcher on a disc that the
# operator ejects or swaps (the engine's setup may ask for another) keeps
# running: Windows pages its code in from the copy, not from the medium.
# GNU ld has no option for these two bits.
# Usage: run_from_swap.sh FILE
set -eu
file=$1
header=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
[ "$(od -An -c -j"$header" -N4 "$file" | tr -d ' ')" = 'PE\0\0' ] || { echo "$file: not a PE file" >&2; exit 1; }
at=$((header + 22))
value=$(($(od -An -tu2 -j"$at" -N2 "$file" | tr -d ' ') | 0x0C00))
printf "$(printf '\\%03o\\%03o' $((value & 0xFF)) $((value >> 8)))" |
    dd of="$file" bs=1 seek="$at" count=2 conv=notrunc status=none

# The header's checksum, made again over the changed file: the 16-bit words
# added with their carries folded in, the checksum's own field left out,
# and the file's length added.
sum_at=$((header + 88))
size=$(wc -c <"$file")
checksum=$(od -An -v -tu2 "$file" | awk -v skip=$((sum_at / 2)) -v size="$size" '
    { for (i = 1; i <= NF; i++) {
          if (n != skip && n != skip + 1) { sum += $i; sum = sum % 65536 + int(sum / 65536) }
          n++ } }
    END { sum = sum % 65536 + int(sum / 65536); printf "%d", sum + size }')
printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $((checksum & 0xFF)) $(((checksum >> 8) & 0xFF)) \
    $(((checksum >> 16) & 0xFF)) $(((checksum >> 24) & 0xFF)))" |
    dd of="$file" bs=1 seek="$sum_at" count=4 conv=notrunc status=none
