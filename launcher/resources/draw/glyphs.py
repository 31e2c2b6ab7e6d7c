#!/usr/bin/python3
"""Draws the launcher's small pictures pixel by pixel: the program icon
(qz.ico), the hand cursor (hand.cur) and the browse button's glyph
(browse.bmp).

At 16 and 32 pixels every pixel matters and anti-aliasing would only add
colours the 16-colour palette does not have, so the pictures are built from
plain pixel-exact shapes and small hand-made pixel maps.

Usage: glyphs.py OUTPUT_DIR
"""

import math
import os
import sys

from winfmt import bmp_bytes, cur_bytes, ico_bytes

# Palette indices (see winfmt.PALETTE16).
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = None


class Canvas:
    def __init__(self, w, h, fill=CLEAR):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Filled rectangle, corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.hline(x0, x1, y0, c)
        self.hline(x0, x1, y1, c)
        self.vline(x0, y0, y1, c)
        self.vline(x1, y0, y1, c)

    def hline(self, x0, x1, y, c):
        for x in range(x0, x1 + 1):
            self.set(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(y0, y1 + 1):
            self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x1 > x0 else -1), (1 if y1 > y0 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if (x0, y0) == (x1, y1):
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, pts, c):
        """Fills pixels whose centres lie inside the polygon."""
        ys = [p[1] for p in pts]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            for x in range(self.w):
                if _inside(pts, x + 0.5, y + 0.5):
                    self.set(x, y, c)

    def disc(self, cx, cy, r, c, where=None):
        """Pixels whose centres are within r of (cx, cy); `where` can
        narrow that by position, e.g. to colour one sector."""
        for y in range(self.h):
            for x in range(self.w):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                if dx * dx + dy * dy <= r * r and (where is None or where(dx, dy)):
                    self.set(x, y, c)

    def ring(self, cx, cy, r, c):
        """The outermost pixels of disc(cx, cy, r)."""
        inside = lambda x, y: (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r
        for y in range(self.h):
            for x in range(self.w):
                if inside(x, y) and not all(inside(x + a, y + b) for a, b in
                                            ((1, 0), (-1, 0), (0, 1), (0, -1))):
                    self.set(x, y, c)

    def stamp(self, x0, y0, art, key):
        """Copies a pixel map written as text; '.' leaves pixels alone."""
        for j, row in enumerate(art):
            for i, ch in enumerate(row):
                if ch != ".":
                    self.set(x0 + i, y0 + j, key[ch])


def _inside(pts, x, y):
    n, res = len(pts), False
    for i in range(n):
        (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            res = not res
    return res


# ------------------------------------------------------------ program icon
#
# The icon shows what the launcher installs: a computer monitor at the
# back, a boxed software package in front on the left and a compact disc in
# front on the right.

def monitor(cv, x0, y0, x1, y1, stand_y, base_half):
    """A silver monitor with a blue screen; (x0,y0)-(x1,y1) is the casing."""
    midx = (x0 + x1) // 2
    # Stand first, so the casing overlaps its top.
    cv.rect(midx - 1, y1, midx + 2, stand_y, GREY)
    cv.rect(midx - base_half, stand_y, midx + base_half + 1, stand_y + 1, SILVER)
    cv.frame(midx - base_half, stand_y, midx + base_half + 1, stand_y + 1, BLACK)

    cv.rect(x0, y0, x1, y1, SILVER)
    cv.hline(x0 + 1, x1 - 1, y0 + 1, WHITE)
    cv.vline(x0 + 1, y0 + 1, y1 - 1, WHITE)
    cv.hline(x0 + 1, x1 - 1, y1 - 1, GREY)
    cv.vline(x1 - 1, y0 + 1, y1 - 1, GREY)
    cv.frame(x0, y0, x1, y1, BLACK)

    m = 3 if x1 - x0 > 14 else 2
    sx0, sy0, sx1, sy1 = x0 + m, y0 + m, x1 - m, y1 - m
    cv.rect(sx0, sy0, sx1, sy1, BLUE)
    # Darker lower part and a diagonal glint suggest a glass screen.
    cv.rect(sx0, (sy0 + sy1) // 2 + 1, sx1, sy1, NAVY)
    cv.frame(sx0 - 1, sy0 - 1, sx1 + 1, sy1 + 1, GREY)
    cv.hline(sx0 - 1, sx1 + 1, sy0 - 1, GREY)
    cv.hline(sx0 - 1, sx1 + 1, sy1 + 1, WHITE)
    cv.vline(sx1 + 1, sy0 - 1, sy1 + 1, WHITE)
    if m == 3:
        cv.line(sx0 + 1, sy0 + 4, sx0 + 4, sy0 + 1, AQUA)
        cv.line(sx0 + 1, sy0 + 6, sx0 + 6, sy0 + 1, TEAL)
    else:
        cv.line(sx0, sy0 + 2, sx0 + 2, sy0, AQUA)


def box(cv, x0, y0, x1, y1, depth):
    """A software box seen from the front-right and above; (x0,y0)-(x1,y1)
    is its front face, `depth` how far the top and side recede."""
    d = depth
    # Top and right side as parallelograms behind the front face.
    cv.polygon([(x0, y0 + 0.5), (x0 + d, y0 - d + 0.5), (x1 + d + 1, y0 - d + 0.5),
                (x1 + 1, y0 + 0.5)], YELLOW)
    cv.polygon([(x1 + 0.5, y0 + 1), (x1 + d + 0.5, y0 - d + 1),
                (x1 + d + 0.5, y1 - d + 1), (x1 + 0.5, y1 + 1)], OLIVE)
    cv.line(x0, y0, x0 + d, y0 - d, BLACK)
    cv.line(x0 + d, y0 - d, x1 + d, y0 - d, BLACK)
    cv.line(x1 + d, y0 - d, x1 + d, y1 - d, BLACK)
    cv.line(x1, y1, x1 + d, y1 - d, BLACK)
    cv.line(x1, y0, x1 + d, y0 - d, BLACK)

    cv.rect(x0, y0, x1, y1, RED)
    cv.vline(x0 + 1, y0 + 1, y1 - 1, WHITE if y1 - y0 > 10 else RED)
    h = y1 - y0
    if h > 10:
        # A yellow label with two lines of "print", like a product box.
        by0, by1 = y0 + 4, y0 + 10
        cv.rect(x0 + 1, by0, x1 - 1, by1, YELLOW)
        cv.hline(x0 + 1, x1 - 1, by0 - 1, MAROON)
        cv.hline(x0 + 1, x1 - 1, by1 + 1, MAROON)
        cv.hline(x0 + 3, x1 - 3, by0 + 2, NAVY)
        cv.hline(x0 + 3, x1 - 5, by0 + 4, NAVY)
        cv.hline(x0 + 3, x1 - 3, y1 - 3, MAROON)
    else:
        cv.rect(x0 + 1, y0 + h // 2 - 1, x1 - 1, y0 + h // 2, YELLOW)
    cv.frame(x0, y0, x1, y1, BLACK)


def compact_disc(cv, cx, cy, r):
    """A silver disc with a rainbow sheen and a see-through centre hole."""
    hub = max(1.6, r * 0.36)

    def band(centre_deg, half_width):
        # Pixels of the playing surface whose direction from the centre is
        # within half_width degrees of centre_deg (screen angles, y down).
        def test(dx, dy):
            ang = math.degrees(math.atan2(dy, dx)) % 360
            diff = abs((ang - centre_deg + 180) % 360 - 180)
            return diff <= half_width and dx * dx + dy * dy > hub * hub
        return test

    cv.disc(cx, cy, r, SILVER)
    # Light catches the disc along one diagonal, with a touch of colour on
    # either side of each highlight, as on a real pressed disc.
    for centre, left, right in ((225, AQUA, YELLOW), (45, FUCHSIA, AQUA)):
        cv.disc(cx, cy, r - 1, left, band(centre - 20, 7))
        cv.disc(cx, cy, r - 1, right, band(centre + 20, 7))
        cv.disc(cx, cy, r - 1, WHITE, band(centre, 12))
    cv.ring(cx, cy, r, GREY)
    cv.disc(cx, cy, hub, SILVER)
    cv.ring(cx, cy, hub, GREY)
    cv.disc(cx, cy, max(0.8, r * 0.16), CLEAR)


def icon32():
    cv = Canvas(32, 32)
    monitor(cv, 7, 1, 31, 18, stand_y=21, base_half=6)
    compact_disc(cv, 24.0, 24.0, 7.8)
    box(cv, 1, 14, 11, 31, depth=3)
    return cv.px


def icon16():
    cv = Canvas(16, 16)
    monitor(cv, 4, 0, 15, 9, stand_y=10, base_half=3)
    compact_disc(cv, 12.0, 12.0, 4.0)
    box(cv, 0, 8, 5, 15, depth=2)
    return cv.px


# ------------------------------------------------------------------ cursor
#
# A hand with the index finger raised, shown over the launcher's buttons.
# K = black outline, W = white fill, . = transparent.  The fingertip is at
# column 7, row 1, which is the cursor's hot spot.

HAND = [
    "................................",
    "......KKK.......................",
    ".....KWWWK......................",
    ".....KWWWK......................",
    ".....KWWWK......................",
    ".....KWWWK......................",
    ".....KWWWK......................",
    ".....KWWWK......................",
    ".....KWWWKKKK...................",
    ".....KWWWKWWWKKKK...............",
    ".....KWWWKWWWKWWWKKK............",
    ".....KWWWKWWWKWWWKWWK...........",
    ".....KWWWKWWWKWWWKWWWK..........",
    "..KKKKWWWKWWWKWWWKWWWK..........",
    ".KWWWKWWWWWWWWWWWWWWWK..........",
    ".KWWWWKWWWWWWWWWWWWWWK..........",
    "..KWWWWWWWWWWWWWWWWWWK..........",
    "..KWWWWWWWWWWWWWWWWWWK..........",
    "...KWWWWWWWWWWWWWWWWWK..........",
    "...KWWWWWWWWWWWWWWWWWK..........",
    "....KWWWWWWWWWWWWWWWWK..........",
    "....KWWWWWWWWWWWWWWWK...........",
    ".....KWWWWWWWWWWWWWWK...........",
    ".....KWWWWWWWWWWWWWK............",
    "......KWWWWWWWWWWWWK............",
    "......KWWWWWWWWWWWWK............",
    "......KKKKKKKKKKKKKK............",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]
HAND_HOT_SPOT = (7, 1)


def hand_cursor():
    key = {"K": 0, "W": 1, ".": CLEAR}
    return [[key[ch] for ch in row] for row in HAND]


# ------------------------------------------------------------ browse glyph
#
# The browse button shows a 32x16 strip: the normal picture on the left, the
# disabled one on the right.  Purple is the colour the button treats as
# transparent, so it fills the background of both halves.

FOLDER = [
    "................",
    ".....KKKKKK.....",
    ".....KWWWWWK....",
    ".KKK.KWdddWWK...",
    "KyyyKKWWWWWWK...",
    "KyyyyKWddddWKKK.",
    "KyyyyKWWWWWWKyK.",
    "KyyyyKWddddWKyK.",
    "KyyKKKKKKKKKKKKK",
    "KyKYYYYYYYYYYYK.",
    "KyKYYYYYYYYYYYK.",
    "KKYYYYYYYYYYYK..",
    "KKYYYYYYYYYYYK..",
    "KYYYYYYYYYYYK...",
    "KKKKKKKKKKKKK...",
    "................",
]
FOLDER_KEY = {"K": BLACK, "W": WHITE, "d": GREY, "y": OLIVE, "Y": YELLOW}


def folder(disabled):
    cv = Canvas(16, 16, PURPLE)
    if not disabled:
        cv.stamp(0, 0, FOLDER, FOLDER_KEY)
        return cv.px
    # Disabled: the outline turns grey and every filled part silver or
    # white, over a white copy of the outline one pixel down and right, for
    # the engraved look that disabled pictures have on Windows buttons.
    outline_only = ["".join("K" if ch == "K" else "." for ch in row) for row in FOLDER]
    cv.stamp(1, 1, outline_only, {"K": WHITE})
    cv.stamp(0, 0, FOLDER, {"K": GREY, "W": WHITE, "d": SILVER, "y": SILVER, "Y": SILVER})
    return cv.px


def browse_strip():
    left, right = folder(False), folder(True)
    return [a + b for a, b in zip(left, right)]


# -------------------------------------------------------------------- main

def main():
    outdir = sys.argv[1]
    files = {
        "qz.ico": ico_bytes([icon32(), icon16()]),
        "hand.cur": cur_bytes(hand_cursor(), *HAND_HOT_SPOT),
        "browse.bmp": bmp_bytes(browse_strip()),
    }
    for name, data in files.items():
        path = os.path.join(outdir, name)
        with open(path, "wb") as f:
            f.write(data)
        print(f"{path}: {len(data)} bytes")


if __name__ == "__main__":
    main()
