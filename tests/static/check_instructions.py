#!/usr/bin/env python3
"""Checks that the code of a built i686 program needs no more of the processor
than a Pentium Pro gives (CMOV is allowed): no instruction on the MMX or SSE
registers. The code is found through the link map: every input section of
the output section .text whose name is .text or begins with it, at its
address in the image, so that the data that the linker also puts there (the
exception tables, the lists of constructors) is not read as code. Prints the
offending instructions and one line with the count.

Usage: check_instructions.py OBJDUMP PROGRAM MAP
Exit status 0 when nothing needs more than the floor, 1 otherwise.
"""
import re
import subprocess
import sys

# Input section lines of a GNU ld map: the name, then (on the same line or
# the next, when the name is long) the address, the size and the file.
SECTION = re.compile(r"^ (\.\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.*))?$")
PLACE = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
BEYOND = re.compile(r"%x?mm[0-9]|%ymm|%zmm")


def code_ranges(map_path):
    ranges = []
    in_map = False
    pending = None
    with open(map_path, encoding="utf-8", errors="replace") as handle:
        for line in handle:
            line = line.rstrip("\n")
            if line.startswith("Linker script and memory map"):
                in_map = True
                continue
            if not in_map:
                continue
            if pending is not None:
                place = PLACE.match(line)
                if place:
                    ranges.append((pending, int(place.group(1), 16), int(place.group(2), 16), place.group(3)))
                pending = None
                continue
            found = SECTION.match(line)
            if not found or not (found.group(1) == ".text" or found.group(1).startswith((".text.", ".text$"))):
                continue
            if found.group(2) is None:
                pending = found.group(1)
            else:
                ranges.append((found.group(1), int(found.group(2), 16), int(found.group(3), 16), found.group(4)))
    return [r for r in ranges if r[1] != 0 and r[2] != 0]


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    objdump, program, map_path = sys.argv[1:]
    ranges = code_ranges(map_path)
    bad = 0
    code = 0
    for name, start, size, origin in ranges:
        listing = subprocess.run([objdump, "-d", "--no-show-raw-insn", "--start-address=0x%x" % start,
                                  "--stop-address=0x%x" % (start + size), program],
                                 check=True, capture_output=True, text=True).stdout
        code += size
        for line in listing.splitlines():
            if BEYOND.search(line):
                print("%s (%s in %s)" % (line.strip(), name, origin))
                bad += 1
    print("%d sections, %d bytes of code read, %d instructions beyond the floor" % (len(ranges), code, bad))
    sys.exit(1 if bad or not ranges else 0)


if __name__ == "__main__":
    main()
