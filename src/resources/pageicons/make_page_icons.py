#!/usr/bin/env python3
"""Draws the pictures of the start page, the back stage buttons, the recent
file type icons and the Orient / Scale buttons as PNG files beside this
script, with the PNG writer of ../make_pictures.py:
    python3 make_page_icons.py
"""

import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))

from make_pictures import clamp, write_png  # noqa: E402

INK = (0x2B, 0x4F, 0x86)
WHITE = (0xFF, 0xFF, 0xFF)
HOVER = (0xFF, 0xD8, 0x4A)

# 5 x 7 capitals, one string of five bits per row.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "G": ["01111", "10000", "10000", "10011", "10001", "10001", "01111"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "J": ["00111", "00010", "00010", "00010", "00010", "10010", "01100"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    " ": ["00000"] * 7,
}


def draw(name, width, height, coverage, colour=INK, background=None):
    """coverage(x, y) -> 0..1 in pixels, y down; 4 x 4 samples a pixel."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            total = 0.0
            for sy in range(4):
                for sx in range(4):
                    total += coverage(px + (sx + 0.5) / 4, py + (sy + 0.5) / 4)
            a = clamp(total / 16.0)
            if background is None:
                row.append(colour + (int(round(a * 255)),))
            else:
                row.append(tuple(int(round(background[i] + (colour[i] - background[i]) * a)) for i in range(3))
                           + (255,))
        rows.append(row)
    write_png(os.path.join(HERE, name + ".png"), width, height, rows)


def text(s, cx, cy, scale):
    """Capitals centred on (cx, cy), each font dot scale pixels wide."""
    w = (len(s) * 6 - 1) * scale
    x0 = cx - w / 2.0
    y0 = cy - 3.5 * scale

    def cov(x, y):
        gx = int(math.floor((x - x0) / scale))
        gy = int(math.floor((y - y0) / scale))
        if gy < 0 or gy >= 7 or gx < 0:
            return 0.0
        ch, col = divmod(gx, 6)
        if ch >= len(s) or col == 5:
            return 0.0
        return 1.0 if GLYPHS[s[ch]][gy][col] == "1" else 0.0

    return cov


def union(*parts):
    return lambda x, y: max(p(x, y) for p in parts)


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def cov(x, y):
        s1, s2, s3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        return 1.0 if (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0) else 0.0

    return cov


def rect(x0, y0, x1, y1):
    return lambda x, y: 1.0 if x0 <= x <= x1 and y0 <= y <= y1 else 0.0


def ring(cx, cy, r, thick, start, end):
    """Part of a ring from angle start to end (degrees, counter-clockwise on
    screen, 0 to the right)."""

    def cov(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > thick / 2.0:
            return 0.0
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360.0
        lo, hi = start % 360.0, end % 360.0
        inside = lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
        return 1.0 if inside else 0.0

    return cov


def arrow_head(cx, cy, r, angle, direction, size):
    """A head at angle on the ring of radius r, pointing along the ring in
    direction (+1 counter-clockwise, -1 clockwise on screen)."""
    t = math.radians(angle)
    px, py = cx + r * math.cos(t), cy - r * math.sin(t)
    tx, ty = -math.sin(t) * direction, -math.cos(t) * direction
    nx, ny = math.cos(t), -math.sin(t)
    tip = (px + tx * size, py + ty * size)
    return triangle(tip, (px + nx * size * 0.8, py + ny * size * 0.8), (px - nx * size * 0.8, py - ny * size * 0.8))


def turn(size, start, end, direction, squash_x=1.0, squash_y=1.0):
    c = size / 2.0
    r = size * 0.32
    body = ring(0, 0, r, size * 0.12, start, end)
    head = arrow_head(0, 0, r, end if direction > 0 else start, direction, size * 0.2)
    both = union(body, head)
    return lambda x, y: both((x - c) / squash_x, (y - c) / squash_y)


def vertical_arrows(w, h):
    m = w / 2.0
    return union(rect(m - 1.5, h * 0.2, m + 1.5, h * 0.8),
                 triangle((m, 1), (1, h * 0.25), (w - 1, h * 0.25)),
                 triangle((m, h - 1), (1, h * 0.75), (w - 1, h * 0.75)))


def padlock(w, h, shackles):
    m = w / 2.0
    parts = [rect(3, h * 0.45, w - 3, h * 0.85)]
    for top in shackles:
        parts.append(ring(m, top, w * 0.3, 2.5, 0, 180))
        parts.append(rect(m - w * 0.3 - 1.25, top, m - w * 0.3 + 1.25, h * 0.45))
        parts.append(rect(m + w * 0.3 - 1.25, top, m + w * 0.3 + 1.25, h * 0.45))
    return union(*parts)


if __name__ == "__main__":
    for name, caption in (("Open_Recent", "OPEN RECENT"), ("Open_Project", "OPEN PROJECT"),
                          ("Resume_Last", "RESUME LAST")):
        draw(name + "_button", 320, 56, text(caption, 160, 28, 4), WHITE)
        draw(name + "_hover", 320, 56, text(caption, 160, 28, 4), HOVER)

    for name, caption in (("Load Button", "LOAD"), ("Save File Button", "SAVE"),
                          ("Save As Button", "SAVE AS"), ("About Button", "ABOUT"),
                          ("Exit Button", "EXIT")):
        draw(name.replace(" ", "_"), 120, 34, text(caption, 60, 17, 3 if len(caption) <= 5 else 2), INK, WHITE)

    for kind in ("ptr", "obj", "stl", "scp", "jpg", "jpeg", "png", "bmp"):
        draw("type_" + kind, 24, 24, union(rect(2, 2, 21, 3), rect(2, 20, 21, 21), text(kind.upper(), 12, 12, 1)))

    draw("rotate_left", 32, 32, turn(32, 200, 340, -1, 1.0, 0.6))
    draw("rotate_right", 32, 32, turn(32, 200, 340, 1, 1.0, 0.6))
    draw("rotate_up", 24, 24, turn(24, 110, 250, -1, 0.9, 1.0))
    draw("rotate_down", 24, 24, turn(24, 110, 250, 1, 0.9, 1.0))
    draw("rotate_ccw", 22, 22, turn(22, 30, 300, 1))
    draw("rotate_cw", 22, 22, turn(22, 30, 300, -1))
    draw("flip", 22, 22, union(triangle((2, 11), (10, 3), (10, 19)), triangle((20, 11), (12, 3), (12, 19))))
    draw("reset_axes", 72, 22, text("RESET", 36, 11, 2))
    draw("flip_normals", 22, 56, vertical_arrows(22, 56))
    draw("aspect_locked", 22, 56, padlock(22, 56, [14]))
    draw("aspect_xy_locked", 22, 56, union(padlock(22, 56, [14]), rect(3, 48, 19, 50)))
    draw("aspect_free", 22, 56, union(rect(3, 25, 19, 48), ring(11, 8, 6.6, 2.5, 0, 180),
                                      rect(2.4 - 1.25, 8, 2.4 + 1.25, 14)))
