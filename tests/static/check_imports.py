#!/usr/bin/env python3
"""Checks the imports of built Windows files against the table of
docs/WINDOWS-IMPORTS.md: every function each file imports (ordinary and
delay-loaded) must be listed for its DLL, with an oldest Windows no newer
than the file's floor. Prints one line per offending function.

Usage: check_imports.py TABLE FLOOR FILE...
  FLOOR  "Windows 2000" (i686) or "Windows XP x64" (x86_64)
Exit status 0 when every function is on the floor, 1 otherwise.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_imports  # noqa: E402

ORDER = ["Windows 2000", "Windows XP", "Windows XP x64", "Windows Vista", "Windows 7", "Windows 8",
         "Windows 10", "Windows 11"]


def read_table(path):
    table = {}
    with open(path, encoding="utf-8") as handle:
        for line in handle:
            cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
            if len(cells) < 3 or not cells[0].endswith(".dll"):
                continue
            dll, function, oldest = cells[0].lower(), cells[1], cells[2]
            if oldest not in ORDER:
                raise SystemExit("%s: unknown Windows '%s' for %s" % (path, oldest, function))
            table[(dll, function)] = oldest
    return table


def main():
    if len(sys.argv) < 4 or sys.argv[2] not in ORDER:
        sys.exit(__doc__)
    table = read_table(sys.argv[1])
    floor = ORDER.index(sys.argv[2])
    bad = 0
    for path in sys.argv[3:]:
        with open(path, "rb") as handle:
            image = pe_imports.Image(handle.read())
        # vorta.dll imports nothing at all.
        entries = list(pe_imports.imports(image)) + list(pe_imports.delay_imports(image))
        for dll, function, kind in entries:
            oldest = table.get((dll, function))
            if oldest is None:
                print("%s: %s!%s (%s) is not in the table" % (path, dll, function, kind))
                bad += 1
            elif ORDER.index(oldest) > floor:
                print("%s: %s!%s needs %s, newer than %s" % (path, dll, function, oldest, sys.argv[2]))
                bad += 1
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
