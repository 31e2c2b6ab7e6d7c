#!/usr/bin/env python3
"""Checks that every delay-load slot of a built Windows file points at its
own loading code inside the image: before the first call a slot must hold
the address of the small stub that names this very slot and jumps on to the
loader (i686: mov eax, slot; jmp rel32 -- x86_64: lea rax, [rip+slot]; jmp
rel32), in a section of code. A slot that holds 0, or points elsewhere,
makes the first call of that function jump into the void. Prints one line
per bad slot and the number of slots checked.

Usage: check_delay_slots.py FILE...
Exit status 0 when every slot is sound, 1 otherwise.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_imports  # noqa: E402


def stub_slot(image, rva):
    """The slot that the loading stub at rva names, and where its jump goes;
    None when the code there is no such stub."""
    code = image.data[image.offset(rva):image.offset(rva) + 12]
    if image.pe32plus:
        if code[:3] != b"\x48\x8d\x05" or code[7:8] != b"\xe9":
            return None
        slot = rva + 7 + struct.unpack_from("<i", code, 3)[0]
        target = rva + 12 + struct.unpack_from("<i", code, 8)[0]
    else:
        if code[:1] != b"\xb8" or code[5:6] != b"\xe9":
            return None
        slot = struct.unpack_from("<I", code, 1)[0] - image.base
        target = rva + 10 + struct.unpack_from("<i", code, 6)[0]
    return slot, target


def problems(image):
    for dll, function, slot, value in pe_imports.delay_slots(image):
        rva = value - image.base
        where = "%s!%s (slot 0x%x holds 0x%x)" % (dll, function, slot, value)
        if value == 0 or not image.executable(rva):
            yield where + ": not an address of code in the image"
            continue
        stub = stub_slot(image, rva)
        if stub is None:
            yield where + ": no loading stub there"
        elif stub[0] != slot:
            yield where + ": the stub there loads the slot 0x%x" % stub[0]
        elif not image.executable(stub[1]):
            yield where + ": the stub jumps out of the code"


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    bad = checked = 0
    for path in sys.argv[1:]:
        with open(path, "rb") as handle:
            image = pe_imports.Image(handle.read())
        checked += sum(1 for _ in pe_imports.delay_slots(image))
        for problem in problems(image):
            print("%s: %s" % (path, problem))
            bad += 1
    print("%d delay-load slots checked, %d bad" % (checked, bad))
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
