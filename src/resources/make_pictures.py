#!/usr/bin/env python3
"""Draws the program's logo, splash picture and close icon as PNG files.

Only the standard library is used, so the pictures can be redrawn anywhere:
    python3 make_pictures.py            (writes into images/ beside this script)
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "images")


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples with components 0..255."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def over(dst, src, alpha):
    """Blends colour src with coverage alpha over the premultiplied-free dst (r, g, b, a)."""
    r, g, b, a = dst
    out_a = alpha + a * (1.0 - alpha)
    if out_a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    mixc = lambda s, d: (s * alpha + d * a * (1.0 - alpha)) / out_a
    return (mixc(src[0], r), mixc(src[1], g), mixc(src[2], b), out_a)


def to_bytes(c):
    return tuple(int(round(clamp(v) * 255)) for v in c)


def rounded_rect_coverage(x, y, x0, y0, x1, y1, radius):
    """Anti-aliased coverage of a pixel centre by a rounded rectangle."""
    cx = clamp(x, x0 + radius, x1 - radius)
    cy = clamp(y, y0 + radius, y1 - radius)
    d = math.hypot(x - cx, y - cy) - radius
    return clamp(0.5 - d)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else clamp(((px - ax) * dx + (py - ay) * dy) / length2)
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def relief_height(u, v):
    """A carved-looking height field: swells, a ring of ripples and grooves."""
    h = 0.0
    for cx, cy, s, w in ((0.22, 0.55, 0.16, 0.5), (0.62, 0.45, 0.2, 0.7), (0.88, 0.6, 0.1, 0.3)):
        h += w * math.exp(-((u - cx) ** 2 + (v - cy) ** 2) / (2 * s * s))
    r = math.hypot(u - 0.62, v - 0.45)
    h += 0.04 * math.cos(r * 45.0) * math.exp(-r * 3.0)
    h += 0.015 * math.sin(u * 40.0 + 3.0 * math.sin(v * 9.0))
    return h


def hillshade(u, v, scale):
    """Shade of relief_height lit from the upper left: 0.5 where flat, 0..1."""
    e = 1e-3
    hx = (relief_height(u + e, v) - relief_height(u - e, v)) / (2 * e) * scale
    hy = (relief_height(u, v + e) - relief_height(u, v - e)) / (2 * e) * scale
    nx, ny, nz = -hx, -hy, 1.0
    n = math.sqrt(nx * nx + ny * ny + nz * nz)
    lx, ly, lz = -0.5, -0.5, 0.707
    lnorm = math.sqrt(lx * lx + ly * ly + lz * lz)
    lambert = (nx * lx + ny * ly + nz * lz) / (n * lnorm)
    return clamp(0.5 + (lambert - lz / lnorm) * 2.5)


# Stroke letters on a 4 x 6 grid, as polylines.
GLYPHS = {
    "M": [[(0, 6), (0, 0), (2, 3.5), (4, 0), (4, 6)]],
    "O": [[(1, 0), (3, 0), (4, 1), (4, 5), (3, 6), (1, 6), (0, 5), (0, 1), (1, 0)]],
    "R": [[(0, 6), (0, 0), (3, 0), (4, 1), (4, 2), (3, 3), (0, 3)], [(2, 3), (4, 6)]],
    "V": [[(0, 0), (2, 6), (4, 0)]],
    "A": [[(0, 6), (2, 0), (4, 6)], [(0.8, 4), (3.2, 4)]],
    "N": [[(0, 6), (0, 0), (4, 6), (4, 0)]],
    "E": [[(4, 0), (0, 0), (0, 6), (4, 6)], [(0, 3), (3, 3)]],
    "2": [[(0, 1), (1, 0), (3, 0), (4, 1), (4, 2), (0, 6), (4, 6)]],
    " ": [],
}


def text_segments(text, left, top, unit, advance):
    segments = []
    x = left
    for ch in text:
        for line in GLYPHS[ch]:
            for (ax, ay), (bx, by) in zip(line, line[1:]):
                segments.append((x + ax * unit, top + ay * unit, x + bx * unit, top + by * unit))
        x += advance
    return segments


def text_width(text, unit, advance):
    return (len(text) - 1) * advance + 4 * unit


def draw_logo(size=64):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            cover = rounded_rect_coverage(px, py, 1, 1, size - 1, size - 1, size * 0.2)
            if cover <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            t = py / size
            base = mix((0.42, 0.60, 0.82), (0.17, 0.33, 0.56), t)
            inner = rounded_rect_coverage(px, py, size * 0.16, size * 0.16, size * 0.84, size * 0.84, size * 0.1)
            if inner > 0.0:
                u = (px - size * 0.16) / (size * 0.68)
                v = (py - size * 0.16) / (size * 0.68)
                shade = hillshade(u, v, 0.15)
                carved = mix((0.55, 0.66, 0.80), (0.97, 0.98, 1.0), shade)
                base = mix(base, carved, inner)
            row.append(to_bytes(base + (cover,)))
        rows.append(row)
    write_png(os.path.join(OUT, "logo.png"), size, size, rows)


def draw_close_icon(size=24):
    rows = []
    c = size / 2.0
    arm = size * 0.22
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            disc = clamp(c - 1.0 + 0.5 - math.hypot(px - c, py - c))
            pixel = over((0, 0, 0, 0), (0.05, 0.1, 0.18), disc * 0.55)
            d = min(segment_distance(px, py, c - arm, c - arm, c + arm, c + arm),
                    segment_distance(px, py, c - arm, c + arm, c + arm, c - arm))
            stroke = clamp(1.4 + 0.5 - d)
            pixel = over(pixel, (1.0, 1.0, 1.0), stroke)
            row.append(to_bytes(pixel))
        rows.append(row)
    write_png(os.path.join(OUT, "close_window.png"), size, size, rows)


def draw_splash(width=551, height=454):
    unit, advance, pen = 8.0, 46.0, 2.6
    title = "MORVANE 2"
    title_top = 42.0
    title_left = (width - text_width(title, unit, advance)) / 2.0
    segments = text_segments(title, title_left, title_top, unit, advance)
    title_box = (title_left - pen - 2, title_top - pen - 2,
                 title_left + text_width(title, unit, advance) + pen + 2, title_top + 6 * unit + pen + 2)
    panel = (36.0, 118.0, width - 36.0, 262.0)

    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            px, py = x + 0.5, y + 0.5
            t = py / height
            colour = mix((0.11, 0.23, 0.37), (0.04, 0.09, 0.16), t)
            pixel = colour + (1.0,)

            cover = rounded_rect_coverage(px, py, *panel, 14.0)
            if cover > 0.0:
                u = (px - panel[0]) / (panel[2] - panel[0])
                v = (py - panel[1]) / (panel[3] - panel[1])
                v = 0.2 + v * (panel[3] - panel[1]) / (panel[2] - panel[0])
                shade = hillshade(u, v, 0.1)
                carved = mix((0.36, 0.22, 0.10), (0.96, 0.84, 0.64), shade)
                pixel = over(pixel, carved, cover)
                rim = clamp(1.0 - abs(rounded_rect_coverage(px, py, *panel, 14.0) - 0.5) * 2.0)
                pixel = over(pixel, (0.42, 0.60, 0.82), rim * 0.8)

            if title_box[0] <= px <= title_box[2] and title_box[1] <= py <= title_box[3]:
                d = min(segment_distance(px, py, *s) for s in segments)
                ink = clamp(pen + 0.5 - d)
                if ink > 0.0:
                    pixel = over(pixel, (1.0, 1.0, 1.0), ink)

            row.append(to_bytes(pixel))
        rows.append(row)
    write_png(os.path.join(OUT, "splash.png"), width, height, rows)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    draw_logo()
    draw_close_icon()
    draw_splash()
