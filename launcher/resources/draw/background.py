#!/usr/bin/python3
"""Draws the launcher's background picture (background.jpg).

The launcher paints this picture as its whole window and treats three
rectangles on it as buttons, so those rectangles are drawn here at exact
pixel positions and nothing else is allowed to show inside them.

Usage: background.py OUTPUT.jpg
"""

import math
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

WIDTH, HEIGHT = 803, 603
# Only this top-left part is ever visible in the window; every decoration
# must stay inside it.
VISIBLE_W, VISIBLE_H = 795, 576

# Decorations are drawn at this multiple and scaled down, which gives smooth
# curves without depending on the anti-aliasing of ImageDraw.
SCALE = 3

# (left, top, right, bottom), right and bottom exclusive.  The program's
# hit-testing uses these very numbers, so they must not move.
BUTTONS = [
    ((92, 200, 281, 257), "安装工资软件"),
    ((92, 304, 281, 361), "安装数据库"),
    ((92, 408, 281, 465), "退出安装"),
]

TITLE = "人事工资管理系统"
SUBTITLE = "PERSONNEL  &  PAYROLL  MANAGEMENT"
SLOGAN = "轻松管理　高效安装"

HEI = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
KAI = "/usr/share/fonts/truetype/arphic/ukai.ttc"

GLOBE_CX, GLOBE_CY, GLOBE_R = 585, 272, 138

# Target size of the JPEG file; the quality is searched to land near it so
# the picture stays small inside the executable.
TARGET_BYTES = 46 * 1024


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(int(round(lerp(x, y, t))) for x, y in zip(c1, c2))


# ---------------------------------------------------------------- ground

def draw_ground():
    """Light-blue ground, a little brighter in the upper left where the
    title sits, so dark text keeps its contrast."""
    w, h = WIDTH * SCALE, HEIGHT * SCALE
    top, bottom = (232, 243, 253), (176, 210, 241)
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w, y)], fill=mix(top, bottom, (y / (h - 1)) ** 1.2))

    # A broad soft light from the upper left.
    glow = Image.new("L", (w // 8, h // 8), 0)
    ImageDraw.Draw(glow).ellipse(
        [-w // 16, -h // 12, w // 16 * 5, h // 8 * 3 // 4], fill=110)
    glow = glow.filter(ImageFilter.GaussianBlur(w // 60)).resize((w, h), Image.BILINEAR)
    img.paste(Image.new("RGB", (w, h), (250, 253, 255)), (0, 0), glow)
    return img


def draw_ribbons(img):
    """Two faint sweeping bands along the bottom, to give the ground some
    movement without competing with the text."""
    w, h = img.size
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)

    def band(y0, amp, thick, alpha, phase):
        pts_top, pts_bot = [], []
        for i in range(0, 201):
            x = w * i / 200
            t = i / 200
            y = y0 + amp * math.sin(math.pi * (t * 1.3 + phase))
            th = thick * (0.35 + 0.65 * math.sin(math.pi * t))
            pts_top.append((x, y - th / 2))
            pts_bot.append((x, y + th / 2))
        d.polygon(pts_top + pts_bot[::-1], fill=(255, 255, 255, alpha))

    band(h * 0.80, h * 0.05, h * 0.06, 60, 0.15)
    band(h * 0.86, h * 0.04, h * 0.035, 70, 0.55)
    layer = layer.filter(ImageFilter.GaussianBlur(SCALE * 2))
    img.paste(layer, (0, 0), layer)


# ----------------------------------------------------------------- globe

def rot_x(p, a):
    x, y, z = p
    c, s = math.cos(a), math.sin(a)
    return (x, y * c - z * s, y * s + z * c)


def rot_z(p, a):
    x, y, z = p
    c, s = math.cos(a), math.sin(a)
    return (x * c - y * s, x * s + y * c, z)


def project(p):
    # Orthographic view; z > 0 faces the viewer.  Screen y grows downwards.
    cx, cy, r = GLOBE_CX * SCALE, GLOBE_CY * SCALE, GLOBE_R * SCALE
    return (cx + p[0] * r, cy - p[1] * r), p[2]


def polyline_split(points3d):
    """Splits a closed 3-D curve into runs lying in front of / behind the
    globe's centre plane, so the far halves can be drawn faintly."""
    runs, cur, cur_front = [], [], None
    for p in points3d:
        xy, z = project(p)
        front = z >= 0
        if cur_front is None or front == cur_front:
            cur.append(xy)
        else:
            cur.append(xy)
            runs.append((cur_front, cur))
            cur = [xy]
        cur_front = front
    if cur:
        runs.append((cur_front, cur))
    return runs


TILT = math.radians(-22)   # the globe leans toward the viewer at the top
SPIN = math.radians(18)    # and its axis is turned a little clockwise


def globe_point(lat, lon, radius=1.0):
    p = (radius * math.cos(lat) * math.sin(lon),
         radius * math.sin(lat),
         radius * math.cos(lat) * math.cos(lon))
    return rot_z(rot_x(p, TILT), -SPIN)


def orbit_points(radius, incl, node, n=360):
    pts = []
    for i in range(n + 1):
        a = 2 * math.pi * i / n
        p = (radius * math.cos(a), 0.0, radius * math.sin(a))
        p = rot_x(p, incl)
        p = rot_z(p, node)
        pts.append(p)
    return pts


ORBITS = [
    # radius (globe radii), inclination, rotation in the picture plane,
    # colour, and where along it a small satellite sits (0..1).
    (1.40, math.radians(16), math.radians(-24), (96, 164, 230), 0.93),
    (1.30, math.radians(22), math.radians(30), (255, 206, 110), 0.60),
]


def draw_orbit_runs(layer, front_wanted):
    d = ImageDraw.Draw(layer)
    for radius, incl, node, colour, _sat in ORBITS:
        for front, run in polyline_split(orbit_points(radius, incl, node)):
            if front != front_wanted or len(run) < 2:
                continue
            alpha = 230 if front else 120
            d.line(run, fill=colour + (alpha,), width=int(2.2 * SCALE), joint="curve")


def draw_satellites(layer, front_wanted):
    d = ImageDraw.Draw(layer)
    for radius, incl, node, colour, sat in ORBITS:
        pts = orbit_points(radius, incl, node)
        p = pts[int(sat * (len(pts) - 1))]
        (x, y), z = project(p)
        if (z >= 0) != front_wanted:
            continue
        r = 6 * SCALE
        d.ellipse([x - r * 1.9, y - r * 1.9, x + r * 1.9, y + r * 1.9],
                  fill=colour + (60,))
        d.ellipse([x - r, y - r, x + r, y + r], fill=colour + (255,))
        d.ellipse([x - r * 0.45, y - r * 0.75, x + r * 0.15, y - r * 0.15],
                  fill=(255, 255, 255, 220))


def draw_sphere(img):
    cx, cy, r = GLOBE_CX * SCALE, GLOBE_CY * SCALE, GLOBE_R * SCALE
    size = 2 * r + 1
    # Shading is computed on a small grid and enlarged: it is smooth, and a
    # full-size per-pixel loop in plain Python would be needlessly slow.
    small = 160
    shade = Image.new("RGB", (small, small))
    px = shade.load()
    light = (-0.45, 0.55, 0.70)
    ln = math.sqrt(sum(c * c for c in light))
    light = tuple(c / ln for c in light)
    deep, mid, pale = (18, 72, 150), (52, 128, 206), (186, 224, 252)
    for j in range(small):
        for i in range(small):
            x = (i + 0.5) / small * 2 - 1
            y = 1 - (j + 0.5) / small * 2
            rr = x * x + y * y
            z = math.sqrt(max(0.0, 1 - rr))
            lam = max(0.0, x * light[0] + y * light[1] + z * light[2])
            c = mix(deep, mid, min(1.0, lam * 1.3))
            shine = max(0.0, lam - 0.80) / 0.20
            c = mix(c, pale, shine ** 1.5 * 0.9)
            # A thin bright rim makes the globe read as glass-like.
            rim = max(0.0, (math.sqrt(rr) - 0.90) / 0.10)
            c = mix(c, (120, 190, 245), min(1.0, rim) * 0.5)
            px[i, j] = c
    shade = shade.resize((size, size), Image.BICUBIC)
    mask = Image.new("L", (size, size), 0)
    ImageDraw.Draw(mask).ellipse([0, 0, size - 1, size - 1], fill=255)
    img.paste(shade, (cx - r, cy - r), mask)


def draw_graticule(layer):
    """Meridians and parallels; the far side shows faintly through."""
    d = ImageDraw.Draw(layer)
    curves = []
    for lat_deg in range(-60, 61, 30):
        lat = math.radians(lat_deg)
        curves.append([globe_point(lat, math.radians(a)) for a in range(0, 361, 2)])
    for lon_deg in range(0, 180, 30):
        lon = math.radians(lon_deg)
        curves.append([globe_point(math.radians(a), lon) for a in range(0, 361, 2)])
    for pts in curves:
        for front, run in polyline_split(pts):
            if len(run) < 2:
                continue
            if front:
                d.line(run, fill=(255, 255, 255, 150), width=int(1.3 * SCALE), joint="curve")
            else:
                d.line(run, fill=(255, 255, 255, 45), width=int(1.0 * SCALE), joint="curve")


def draw_globe(img):
    w, h = img.size
    cx, cy, r = GLOBE_CX * SCALE, GLOBE_CY * SCALE, GLOBE_R * SCALE

    # Soft halo so the globe floats on the ground.
    halo = Image.new("L", (w // 4, h // 4), 0)
    hr = r * 1.35 / 4
    ImageDraw.Draw(halo).ellipse([cx / 4 - hr, cy / 4 - hr, cx / 4 + hr, cy / 4 + hr], fill=150)
    halo = halo.filter(ImageFilter.GaussianBlur(r / 4 / 4)).resize((w, h), Image.BILINEAR)
    img.paste(Image.new("RGB", (w, h), (255, 255, 255)), (0, 0), halo)

    # Shadow on the "floor" below the globe.
    shadow = Image.new("L", (w // 4, h // 4), 0)
    sy = cy + r * 1.48
    ImageDraw.Draw(shadow).ellipse(
        [(cx - r * 0.75) / 4, (sy - r * 0.10) / 4, (cx + r * 0.75) / 4, (sy + r * 0.10) / 4],
        fill=90)
    shadow = shadow.filter(ImageFilter.GaussianBlur(5)).resize((w, h), Image.BILINEAR)
    img.paste(Image.new("RGB", (w, h), (60, 110, 170)), (0, 0), shadow)

    back = Image.new("RGBA", img.size, (0, 0, 0, 0))
    draw_orbit_runs(back, False)
    draw_satellites(back, False)
    img.paste(back, (0, 0), back)

    draw_sphere(img)

    grid = Image.new("RGBA", img.size, (0, 0, 0, 0))
    draw_graticule(grid)
    # Keep the graticule strictly on the sphere.
    disc = Image.new("L", img.size, 0)
    ImageDraw.Draw(disc).ellipse([cx - r, cy - r, cx + r, cy + r], fill=255)
    grid.putalpha(Image.composite(grid.getchannel("A"), Image.new("L", img.size, 0), disc))
    img.paste(grid, (0, 0), grid)

    front = Image.new("RGBA", img.size, (0, 0, 0, 0))
    draw_orbit_runs(front, True)
    draw_satellites(front, True)
    img.paste(front, (0, 0), front)


# ------------------------------------------------------------------ text

def draw_title(img):
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype(HEI, 40, index=0)
    x, y = 40, 34
    # The CJK face has no bold cut; a one-pixel stroke in the same colour
    # thickens it.  A pale offset copy lifts it off the ground.
    d.text((x + 2, y + 2), TITLE, font=font, fill=(255, 255, 255),
           stroke_width=1, stroke_fill=(255, 255, 255))
    d.text((x, y), TITLE, font=font, fill=(18, 58, 120),
           stroke_width=1, stroke_fill=(18, 58, 120))
    bbox = d.textbbox((x, y), TITLE, font=font, stroke_width=1)

    # An accent rule under the title, fading to the right.
    ry = bbox[3] + 12
    length = bbox[2] - x + 40
    for i in range(length):
        t = i / length
        c = mix((232, 140, 40), (200, 224, 246), t)
        d.line([(x + i, ry), (x + i, ry + 2)], fill=c)

    small = ImageFont.truetype(HEI, 13, index=0)
    d.text((x + 1, ry + 10), SUBTITLE, font=small, fill=(70, 110, 160))


def draw_slogan(img):
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype(KAI, 32, index=0)
    x, y = 44, 506
    d.text((x + 1, y + 1), SLOGAN, font=font, fill=(250, 252, 255))
    d.text((x, y), SLOGAN, font=font, fill=(28, 72, 140))


# --------------------------------------------------------------- buttons

FACE_TOP, FACE_BOTTOM = (58, 124, 200), (30, 86, 160)
OUTER_LIGHT, INNER_LIGHT = (236, 246, 255), (140, 186, 236)
OUTER_DARK, INNER_DARK = (8, 30, 64), (20, 62, 118)


def draw_button_shadows(img):
    """A soft shadow below and right of each button; it falls outside the
    button rectangles, which are painted over afterwards."""
    shadow = Image.new("L", img.size, 0)
    d = ImageDraw.Draw(shadow)
    for (l, t, r, b), _ in BUTTONS:
        d.rectangle([l + 3, t + 4, r + 2, b + 3], fill=110)
    shadow = shadow.filter(ImageFilter.GaussianBlur(3))
    img.paste(Image.new("RGB", img.size, (40, 80, 130)), (0, 0), shadow)


def draw_button(img, rect, caption):
    l, t, r, b = rect
    d = ImageDraw.Draw(img)
    for y in range(t, b):
        d.line([(l, y), (r - 1, y)], fill=mix(FACE_TOP, FACE_BOTTOM, (y - t) / (b - t - 1)))
    # Two-pixel bevel: the outer ring is the strongest so the edge stays
    # crisp after JPEG compression.
    d.line([(l, t), (r - 1, t)], fill=OUTER_LIGHT)
    d.line([(l, t), (l, b - 1)], fill=OUTER_LIGHT)
    d.line([(l + 1, t + 1), (r - 2, t + 1)], fill=INNER_LIGHT)
    d.line([(l + 1, t + 1), (l + 1, b - 2)], fill=INNER_LIGHT)
    d.line([(l, b - 1), (r - 1, b - 1)], fill=OUTER_DARK)
    d.line([(r - 1, t), (r - 1, b - 1)], fill=OUTER_DARK)
    d.line([(l + 1, b - 2), (r - 2, b - 2)], fill=INNER_DARK)
    d.line([(r - 2, t + 1), (r - 2, b - 2)], fill=INNER_DARK)

    font = ImageFont.truetype(HEI, 22, index=0)
    mx, my = (l + r) / 2, (t + b) / 2
    d.text((mx + 1, my + 1), caption, font=font, fill=(12, 40, 84), anchor="mm")
    d.text((mx, my), caption, font=font, fill=(255, 255, 255), anchor="mm")


# ------------------------------------------------------------------ main

def render():
    big = draw_ground()
    draw_ribbons(big)
    draw_globe(big)
    img = big.resize((WIDTH, HEIGHT), Image.LANCZOS)

    draw_title(img)
    draw_slogan(img)
    draw_button_shadows(img)
    for rect, caption in BUTTONS:
        draw_button(img, rect, caption)
    return img


def encode(img, quality):
    import io
    buf = io.BytesIO()
    # Baseline (not progressive), JFIF with a 96 dpi density; no EXIF or ICC
    # blocks, only the JFIF header.
    img.save(buf, "JPEG", quality=quality, progressive=False, optimize=True,
             dpi=(96, 96), subsampling="4:2:0")
    return buf.getvalue()


def main():
    out = sys.argv[1]
    img = render()
    best = min(range(50, 96), key=lambda q: (abs(len(encode(img, q)) - TARGET_BYTES), -q))
    data = encode(img, best)
    with open(out, "wb") as f:
        f.write(data)
    print(f"{out}: quality {best}, {len(data)} bytes")


if __name__ == "__main__":
    main()
