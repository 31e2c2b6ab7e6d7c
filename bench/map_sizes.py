#!/usr/bin/env python3
"""Sizes of what a MinGW-w64 link put into an image, from its -Wl,-Map file.

Usage: map_sizes.py MAP [--members N]
Prints a Markdown table of bytes per library (or object) in the image's
sections (debug sections left out), then the N largest archive members.
"""
import collections
import re
import sys


def contributions(path):
    started = False
    section = None
    pending = None
    for line in open(path, errors="replace"):
        if line.startswith("Linker script and memory map"):
            started = True
            continue
        if not started:
            continue
        heading = re.match(r"^(\.\S+)(\s+0x|\s*$)", line)
        if heading:
            section = heading.group(1)
            continue
        entry = re.match(r"^ (\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S+)", line)
        if entry:
            size, source = int(entry.group(3), 16), entry.group(4)
        else:
            alone = re.match(r"^ (\S+)\s*$", line)
            if alone:
                pending = alone.group(1)
                continue
            wrapped = re.match(r"^\s{16,}0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S+)", line)
            if not (wrapped and pending):
                continue
            size, source = int(wrapped.group(2), 16), wrapped.group(3)
            pending = None
        if section is None or section.startswith(".debug"):
            continue
        yield section, source, size


def main():
    path = sys.argv[1]
    members = int(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[2] == "--members" else 12
    by_library = collections.Counter()
    by_member = collections.Counter()
    by_section = collections.Counter()
    for section, source, size in contributions(path):
        name = source.split("/")[-1]
        by_library[re.sub(r"\(.*", "", name)] += size
        if "(" in name:
            by_member[name] += size
        by_section[section] += size
    total = sum(by_library.values())
    print("| library or object | bytes | share |")
    print("|---|---|---|")
    for name, size in by_library.most_common(14):
        print(f"| `{name}` | {size} | {100.0 * size / total:.1f} % |")
    print(f"| all | {total} | 100 % |")
    print()
    print("Largest archive members: " + ", ".join(f"`{n}` {s}" for n, s in by_member.most_common(members)) + ".")
    print()
    print("By section: " + ", ".join(f"`{n}` {s}" for n, s in by_section.most_common(8)) + ".")


if __name__ == "__main__":
    main()
