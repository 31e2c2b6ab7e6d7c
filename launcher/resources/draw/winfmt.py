"""Writers for the small Windows picture formats the launcher embeds:
16-colour icons (.ico), monochrome cursors (.cur) and 16-colour bitmaps
(.bmp).

The bytes are assembled by hand rather than through an imaging library
because the launcher needs exactly these layouts (4-bit BMP entries with AND
masks, not PNG entries; a 1-bit cursor with its hot spot in the directory),
and libraries tend to pick other layouts on their own.

A picture is a list of rows (top row first); each row is a list of palette
indices, or None for a transparent pixel.
"""

import struct

# The standard 16-colour Windows palette, in its usual index order.
PALETTE16 = [
    (0x00, 0x00, 0x00),  # 0  black
    (0x80, 0x00, 0x00),  # 1  maroon
    (0x00, 0x80, 0x00),  # 2  green
    (0x80, 0x80, 0x00),  # 3  olive
    (0x00, 0x00, 0x80),  # 4  navy
    (0x80, 0x00, 0x80),  # 5  purple
    (0x00, 0x80, 0x80),  # 6  teal
    (0xC0, 0xC0, 0xC0),  # 7  silver
    (0x80, 0x80, 0x80),  # 8  grey
    (0xFF, 0x00, 0x00),  # 9  red
    (0x00, 0xFF, 0x00),  # 10 lime
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 fuchsia
    (0x00, 0xFF, 0xFF),  # 14 aqua
    (0xFF, 0xFF, 0xFF),  # 15 white
]

MONO_PALETTE = [(0, 0, 0), (0xFF, 0xFF, 0xFF)]


def _rgbquads(palette):
    # RGBQUAD is stored blue, green, red, reserved.
    return b"".join(struct.pack("<4B", b, g, r, 0) for r, g, b in palette)


def _pad4(row):
    return row + b"\0" * (-len(row) % 4)


def _pack_4bpp(rows):
    """Bottom-up 4-bit rows, each padded to 32 bits, as BMP wants them."""
    out = b""
    for row in reversed(rows):
        vals = [0 if v is None else v for v in row]
        if len(vals) % 2:
            vals.append(0)
        out += _pad4(bytes((vals[i] << 4) | vals[i + 1] for i in range(0, len(vals), 2)))
    return out


def _pack_1bpp(rows, bit_of):
    out = b""
    for row in reversed(rows):
        bits = [bit_of(v) for v in row]
        bits += [0] * (-len(bits) % 8)
        out += _pad4(bytes(
            sum(bits[i + k] << (7 - k) for k in range(8)) for i in range(0, len(bits), 8)))
    return out


def _info_header(width, height, bpp, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_bytes, 0, 0, colours, 0)


def _and_mask(rows):
    # Set bits mark transparent pixels.
    return _pack_1bpp(rows, lambda v: 1 if v is None else 0)


def _dib_4bpp_with_mask(rows):
    h, w = len(rows), len(rows[0])
    xor = _pack_4bpp(rows)
    mask = _and_mask(rows)
    # An icon's header counts the XOR and AND halves together.
    head = _info_header(w, 2 * h, 4, len(xor) + len(mask), 0)
    return head + _rgbquads(PALETTE16) + xor + mask


def ico_bytes(pictures):
    """A .ico holding one 16-colour BMP entry per picture."""
    blobs = [_dib_4bpp_with_mask(p) for p in pictures]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for pic, blob in zip(pictures, blobs):
        h, w = len(pic), len(pic[0])
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def cur_bytes(picture, hot_x, hot_y):
    """A .cur holding one monochrome picture.  Pixels are 0 (black),
    1 (white) or None (transparent)."""
    h, w = len(picture), len(picture[0])
    xor = _pack_1bpp(picture, lambda v: 1 if v == 1 else 0)
    mask = _and_mask(picture)
    blob = (_info_header(w, 2 * h, 1, len(xor) + len(mask), 0)
            + _rgbquads(MONO_PALETTE) + xor + mask)
    # In a cursor directory the planes/bit-count fields carry the hot spot.
    return (struct.pack("<HHH", 0, 2, 1)
            + struct.pack("<BBBBHHII", w % 256, h % 256, 2, 0, hot_x, hot_y, len(blob), 22)
            + blob)


def bmp_bytes(picture):
    """A 16-colour .bmp file (no transparency; every pixel an index)."""
    h, w = len(picture), len(picture[0])
    pixels = _pack_4bpp(picture)
    offbits = 14 + 40 + 16 * 4
    return (struct.pack("<2sIHHI", b"BM", offbits + len(pixels), 0, 0, offbits)
            + _info_header(w, h, 4, len(pixels), 16)
            + _rgbquads(PALETTE16) + pixels)
