#!/usr/bin/env python3
"""Lists the functions a PE file imports, the ordinary imports and the
delay-loaded ones alike: one line per function, "dll<TAB>function<TAB>kind"
(kind "import" or "delay"), the DLL name in lower case. A function imported
by ordinal is written "#N".

Usage: pe_imports.py FILE
"""
import struct
import sys


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.pe32plus = magic == 0x20B
        directories = optional + (112 if self.pe32plus else 96)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        self.flags = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, vaddr, rsize, raddr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            flags = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            self.sections.append((vaddr, max(vsize, rsize), raddr))
            self.flags.append(flags)
        self.base = struct.unpack_from("<Q" if self.pe32plus else "<I", data, optional + (24 if self.pe32plus else 28))[0]

    def offset(self, rva):
        for vaddr, size, raddr in self.sections:
            if vaddr <= rva < vaddr + size:
                return raddr + rva - vaddr
        raise ValueError("address 0x%x in no section" % rva)

    def executable(self, rva):
        """True when the address lies in a section of code."""
        for (vaddr, size, _), flags in zip(self.sections, self.flags):
            if vaddr <= rva < vaddr + size:
                return bool(flags & 0x20000000)
        return False

    def word(self, rva):
        return struct.unpack_from("<Q" if self.pe32plus else "<I", self.data, self.offset(rva))[0]

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def thunks(self, rva):
        size, ordinal_flag = (8, 1 << 63) if self.pe32plus else (4, 1 << 31)
        at = self.offset(rva)
        while True:
            value = struct.unpack_from("<Q" if self.pe32plus else "<I", self.data, at)[0]
            if value == 0:
                return
            if value & ordinal_flag:
                yield "#%d" % (value & 0xFFFF)
            else:
                yield self.string((value & 0x7FFFFFFF) + 2)
            at += size


def imports(image):
    rva, size = image.directories[1]
    if rva == 0:
        return
    at = image.offset(rva)
    while True:
        names, _, _, dll, first = struct.unpack_from("<IIIII", image.data, at)
        if dll == 0:
            return
        for function in image.thunks(names or first):
            yield image.string(dll).lower(), function, "import"
        at += 20


def delay_descriptors(image):
    """The delay-load descriptors: those the data directory names, and those
    that MinGW's delay-load import libraries leave in the image without
    naming them there, found by their shape (attributes 1, a DLL name, an
    import address table and a name table, all addresses in the image)."""
    rva, _ = image.directories[13]
    if rva:
        at = image.offset(rva)
        while struct.unpack_from("<I", image.data, at + 4)[0]:
            yield at
            at += 32
        return
    data = image.data
    for at in range(0, len(data) - 32, 4):
        attributes, dll, module, table, names = struct.unpack_from("<IIIII", data, at)
        if attributes != 1 or 0 in (dll, module, table, names):
            continue
        try:
            name = image.string(dll)
            image.offset(module), image.offset(table), image.offset(names)
        except (ValueError, UnicodeDecodeError):
            continue
        if name.lower().endswith(".dll"):
            yield at


def delay_imports(image):
    for at in delay_descriptors(image):
        _, dll, _, _, names = struct.unpack_from("<IIIII", image.data, at)
        for function in image.thunks(names):
            yield image.string(dll).lower(), function, "delay"


def delay_slots(image):
    """Each delay-loaded function with its import address slot: "dll,
    function, slot address, what the slot holds" (addresses relative to the
    image base, the content as stored: an absolute address)."""
    size = 8 if image.pe32plus else 4
    for at in delay_descriptors(image):
        _, dll, _, table, names = struct.unpack_from("<IIIII", image.data, at)
        for i, function in enumerate(image.thunks(names)):
            slot = table + i * size
            yield image.string(dll).lower(), function, slot, image.word(slot)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as handle:
        image = Image(handle.read())
    for dll, function, kind in list(imports(image)) + list(delay_imports(image)):
        print("%s\t%s\t%s" % (dll, function, kind))


if __name__ == "__main__":
    main()
