#!/usr/bin/env python3
"""Exit status 0 when a PE file's header checksum is the one its bytes give
(the 16-bit words added with the carries folded in, the field itself left
out, the file's length added); prints both values otherwise.

Usage: pe_checksum.py FILE
"""
import struct
import sys


def checksum(data):
    field = struct.unpack_from("<I", data, 0x3C)[0] + 88
    size = len(data)
    if size % 2:
        data += b"\0"
    total = 0
    for at in range(0, len(data), 2):
        if at in (field, field + 2):
            continue
        total += struct.unpack_from("<H", data, at)[0]
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return total + size, struct.unpack_from("<I", data, field)[0]


def main():
    with open(sys.argv[1], "rb") as f:
        computed, stored = checksum(f.read())
    if computed != stored:
        print("%s: header checksum 0x%08x, bytes give 0x%08x" % (sys.argv[1], stored, computed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
