#!/usr/bin/env python3
"""Draws the ribbon, panel, back stage, start page and file-type icons as PNG files.

Standard library only, like make_pictures.py, whose PNG writer and letter
strokes it shares:
    python3 make_icons.py            (writes into images/icons/ beside this script)
It also prints the resource lines for morvane2.qrc.
"""

import math
import os
import sys

sys.dont_write_bytecode = True
from make_pictures import GLYPHS, clamp, over, segment_distance, to_bytes, write_png

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "images", "icons")

INK = (0.13, 0.25, 0.45)
ACCENT = (0.85, 0.45, 0.12)
GREEN = (0.18, 0.55, 0.25)
RED = (0.75, 0.16, 0.16)
PAPER = (0.97, 0.98, 1.0)

GLYPHS.update({
    "S": [[(4, 1), (3, 0), (1, 0), (0, 1), (0, 2), (1, 3), (3, 3), (4, 4), (4, 5), (3, 6), (1, 6), (0, 5)]],
    "T": [[(0, 0), (4, 0)], [(2, 0), (2, 6)]],
    "L": [[(0, 0), (0, 6), (4, 6)]],
    "B": [[(0, 0), (0, 6), (3, 6), (4, 5), (4, 4), (3, 3), (0, 3)], [(0, 0), (3, 0), (4, 1), (4, 2), (3, 3)]],
    "J": [[(4, 0), (4, 5), (3, 6), (1, 6), (0, 5)]],
    "P": [[(0, 6), (0, 0), (3, 0), (4, 1), (4, 2), (3, 3), (0, 3)]],
    "C": [[(4, 1), (3, 0), (1, 0), (0, 1), (0, 5), (1, 6), (3, 6), (4, 5)]],
    "G": [[(4, 1), (3, 0), (1, 0), (0, 1), (0, 5), (1, 6), (3, 6), (4, 5), (4, 3), (2, 3)]],
    "D": [[(0, 0), (0, 6), (3, 6), (4, 5), (4, 1), (3, 0), (0, 0)]],
    "U": [[(0, 0), (0, 5), (1, 6), (3, 6), (4, 5), (4, 0)]],
    "X": [[(0, 0), (4, 6)], [(4, 0), (0, 6)]],
    "I": [[(2, 0), (2, 6)], [(1, 0), (3, 0)], [(1, 6), (3, 6)]],
    "Y": [[(0, 0), (2, 3), (4, 0)], [(2, 3), (2, 6)]],
})


class Canvas:
    def __init__(self, w, h, background=None):
        self.w, self.h = w, h
        bg = background + (1.0,) if background else (0.0, 0.0, 0.0, 0.0)
        self.px = [[bg for _ in range(w)] for _ in range(h)]

    def paint(self, coverage, colour, box=None, alpha=1.0):
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        for y in range(max(0, int(y0) - 1), min(self.h, int(math.ceil(y1)) + 1)):
            row = self.px[y]
            for x in range(max(0, int(x0) - 1), min(self.w, int(math.ceil(x1)) + 1)):
                c = coverage(x + 0.5, y + 0.5)
                if c > 0.0:
                    row[x] = over(row[x], colour, c * alpha)

    def line(self, points, width, colour):
        segs = list(zip(points, points[1:]))
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        m = width
        self.paint(lambda x, y: clamp(width / 2 + 0.5 - min(segment_distance(x, y, a[0], a[1], b[0], b[1])
                                                             for a, b in segs)),
                   colour, (min(xs) - m, min(ys) - m, max(xs) + m, max(ys) + m))

    def circle(self, cx, cy, r, colour, alpha=1.0):
        self.paint(lambda x, y: clamp(r + 0.5 - math.hypot(x - cx, y - cy)), colour,
                   (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1), alpha)

    def ring(self, cx, cy, r, width, colour, rx=None):
        sx = (rx or r) / r
        self.paint(lambda x, y: clamp(width / 2 + 0.5 - abs(math.hypot((x - cx) / sx, y - cy) - r)), colour,
                   (cx - r * sx - width, cy - r - width, cx + r * sx + width, cy + r + width))

    def polygon(self, points, colour, alpha=1.0):
        def inside(x, y):
            hit = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit

        def coverage(x, y):
            n = 0
            for sy in range(4):
                for sx in range(4):
                    if inside(x - 0.5 + (sx + 0.5) / 4, y - 0.5 + (sy + 0.5) / 4):
                        n += 1
            return n / 16.0

        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.paint(coverage, colour, (min(xs), min(ys), max(xs), max(ys)), alpha)

    def rect(self, x0, y0, x1, y1, colour, alpha=1.0):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour, alpha)

    def outline(self, points, width, colour):
        self.line(points + [points[0]], width, colour)

    def text(self, text, cx, cy, height, colour, pen=None):
        unit = height / 6.0
        advance = unit * 6.0
        width = (len(text) - 1) * advance + 4 * unit
        left = cx - width / 2
        top = cy - height / 2
        pen = pen or max(1.0, unit * 0.9)
        x = left
        for ch in text:
            for stroke in GLYPHS[ch]:
                self.line([(x + a * unit, top + b * unit) for a, b in stroke], pen, colour)
            x += advance

    def arrow(self, points, width, colour, head):
        self.line(points, width, colour)
        (ax, ay), (bx, by) = points[-2], points[-1]
        d = math.hypot(bx - ax, by - ay) or 1.0
        ux, uy = (bx - ax) / d, (by - ay) / d
        tip = (bx + ux * head * 0.6, by + uy * head * 0.6)
        self.polygon([tip, (bx - uy * head * 0.7, by + ux * head * 0.7), (bx + uy * head * 0.7, by - ux * head * 0.7)],
                     colour)

    def save(self, name, written):
        write_png(os.path.join(OUT, file_name(name)), self.w, self.h,
                  [[to_bytes(p) for p in row] for row in self.px])
        written.append(name)


def file_name(name):
    return name.replace(" ", "_") + ".png"


def arc(cx, cy, r, a0, a1, steps=24):
    return [(cx + r * math.cos(a0 + (a1 - a0) * i / steps), cy + r * math.sin(a0 + (a1 - a0) * i / steps))
            for i in range(steps + 1)]


def tool_icons(out):
    s = 48
    c = Canvas(s, s)
    c.line([(6 + i, 26 + 8 * math.sin(i / 5.0) * (1 - i / 36.0)) for i in range(0, 37)], 3, INK)
    c.line([(6, 36), (42, 36)], 2, ACCENT)
    c.save("smooth_tool", out)

    c = Canvas(s, s)
    for k in range(3):
        c.line([(10 + 6 * k, 38), (22 + 6 * k, 12)], 3, INK)
    c.circle(36, 14, 5, ACCENT)
    c.save("smudge_tool", out)

    c = Canvas(s, s)
    c.polygon(arc(24, 38, 16, math.pi, 2 * math.pi), INK)
    c.line([(24, 4), (24, 16)], 3, GREEN)
    c.line([(18, 10), (30, 10)], 3, GREEN)
    c.save("deposit_tool", out)

    c = Canvas(s, s)
    c.polygon([(6, 22), (42, 22), (42, 40), (6, 40)] , INK)
    c.polygon(arc(24, 22, 12, 0, math.pi), PAPER)
    c.line([(18, 10), (30, 10)], 3, RED)
    c.save("remove_tool", out)

    c = Canvas(s, s)
    c.arrow(arc(24, 26, 13, 0.2, 1.8 * math.pi)[::-1], 3.5, INK, 8)
    c.save("undo_tool", out)

    for name, colour in (("erase_tool", INK), ("erase_selection_tool", ACCENT)):
        c = Canvas(s, s)
        c.polygon([(8, 30), (26, 12), (40, 26), (22, 44)], colour)
        c.polygon([(8, 30), (15, 23), (29, 37), (22, 44)], PAPER)
        c.outline([(8, 30), (26, 12), (40, 26), (22, 44)], 1.5, colour)
        c.save(name, out)

    c = Canvas(s, s)
    c.line([(14, 4), (14, 34), (44, 34)], 4, INK)
    c.line([(4, 14), (34, 14), (34, 44)], 4, ACCENT)
    c.save("crop_tool", out)

    c = Canvas(s, s)
    c.ring(24, 24, 12, 2.5, INK, rx=19)
    c.save("elliptical_selection_tool", out)

    c = Canvas(s, s)
    c.outline([(6, 10), (42, 10), (42, 38), (6, 38)], 2.5, INK)
    c.save("rectangle_selection_tool", out)

    c = Canvas(s, s)
    c.outline([(8, 14), (28, 6), (42, 22), (32, 42), (10, 36)], 2.5, INK)
    c.save("polygon_selection_tool", out)

    c = Canvas(s, s)
    c.line([(8, 42), (30, 20)], 4, INK)
    star = [(34 + (10 if k % 2 == 0 else 4) * math.cos(k * math.pi / 5 - math.pi / 2),
             14 + (10 if k % 2 == 0 else 4) * math.sin(k * math.pi / 5 - math.pi / 2)) for k in range(10)]
    c.polygon(star, ACCENT)
    c.save("magic_selection_tool", out)

    c = Canvas(s, s)
    c.line([(10, 40), (28, 22)], 3, INK)
    c.polygon([(26, 16), (32, 10), (40, 18), (34, 24)], INK)
    c.circle(9, 41, 3, ACCENT)
    c.save("sample_selection", out)

    c = Canvas(s, s)
    c.line([(30, 6), (22, 26)], 4, INK)
    c.polygon([(16, 26), (28, 28), (24, 40), (10, 44)], ACCENT)
    c.save("paint_selection_tool", out)

    c = Canvas(s, s)
    c.polygon([(10, 18), (28, 8), (40, 28), (22, 38)], INK)
    c.polygon([(38, 26), (42, 34), (40, 42), (36, 34)], ACCENT)
    c.save("fill_selection", out)


def small_icons(out):
    s = 24
    c = Canvas(s, s)
    c.outline([(4, 4), (20, 4), (20, 20), (4, 20)], 2, INK)
    c.save("exit", out)

    for name, sign in (("additive_selection", "+"), ("subtractive_selection", "-")):
        c = Canvas(s, s)
        c.outline([(3, 3), (14, 3), (14, 14), (3, 14)], 1.5, INK)
        c.line([(12, 18), (22, 18)], 2.5, GREEN if sign == "+" else RED)
        if sign == "+":
            c.line([(17, 13), (17, 23)], 2.5, GREEN)
        c.save(name, out)

    places = {"TopLeft": (0, 0), "Top": (1, 0), "TopRight": (2, 0), "Left": (0, 1), "Right": (2, 1),
              "BottomLeft": (0, 2), "Bottom": (1, 2), "BottomRight": (2, 2)}
    for name, (col, row) in places.items():
        c = Canvas(s, s)
        c.rect(8, 8, 16, 16, INK)
        c.circle(4 + 8 * col, 4 + 8 * row, 3.5, ACCENT)
        c.save("lightPos" + name, out)

    c = Canvas(s, s)
    c.circle(12, 12, 9, INK)
    c.save("round_brush", out)
    c = Canvas(s, s)
    c.rect(4, 4, 20, 20, INK)
    c.save("square_brush", out)
    c = Canvas(s, s)
    c.circle(12, 12, 3, INK)
    c.save("tool_size_small", out)
    c = Canvas(s, s)
    c.circle(12, 12, 10, INK)
    c.save("tool_size_large", out)
    c = Canvas(s, s)
    c.circle(12, 12, 8, INK, alpha=0.3)
    c.save("tool_strength_low", out)
    c = Canvas(s, s)
    c.circle(12, 12, 8, INK)
    c.save("tool_strength_high", out)
    c = Canvas(s, s)
    c.polygon([(2, 20)] + [(2 + i, 20 - 16 * math.exp(-((i - 10) / 4.0) ** 2)) for i in range(21)] + [(22, 20)], INK)
    c.save("tool_profile_soft", out)
    c = Canvas(s, s)
    c.polygon([(2, 20), (7, 4), (17, 4), (22, 20)], INK)
    c.save("tool_profile_hard", out)

    c = Canvas(22, 22)
    c.ring(9, 9, 6, 2, INK)
    c.line([(13.5, 13.5), (20, 20)], 3, INK)
    c.save("ZoomToBoard_22", out)

    c = Canvas(s, s)
    c.polygon([(2, 6), (9, 6), (11, 8), (22, 8), (22, 20), (2, 20)], ACCENT)
    c.ring(16, 15, 4, 1.5, INK)
    c.line([(16, 13), (16, 15), (18, 15)], 1.2, INK)
    c.save("openRecent", out)


def quick_icons(out):
    s = 32
    c = Canvas(s, s)
    c.arrow(arc(16, 18, 9, -0.3, -math.pi + 0.1, 16), 3, INK, 7)
    c.save("undo_32", out)
    c = Canvas(s, s)
    c.arrow(arc(16, 18, 9, math.pi + 0.3, 2 * math.pi - 0.1, 16), 3, INK, 7)
    c.save("redo_32", out)
    c = Canvas(s, s)
    c.polygon([(3, 8), (12, 8), (14, 11), (29, 11), (29, 27), (3, 27)], ACCENT)
    c.save("open_32", out)
    c = Canvas(s, s)
    c.rect(4, 4, 28, 28, INK)
    c.rect(9, 4, 23, 12, PAPER)
    c.save("save_32", out)


def orient_icons(out):
    for name, size, pts in (("rotate_left", 32, None), ("rotate_right", 32, None)):
        c = Canvas(size, size)
        a = arc(16, 16, 10, -0.4 * math.pi, 0.9 * math.pi, 20)
        c.arrow(a if name == "rotate_right" else [(32 - x, y) for x, y in a], 3, INK, 7)
        c.save(name, out)
    c = Canvas(24, 24)
    c.arrow([(12, 20), (12, 6)], 3, INK, 6)
    c.save("rotate_up", out)
    c = Canvas(24, 24)
    c.arrow([(12, 4), (12, 18)], 3, INK, 6)
    c.save("rotate_down", out)
    for name, flip in (("rotate_ccw", True), ("rotate_cw", False)):
        c = Canvas(22, 22)
        a = arc(11, 11, 7, 0.2, 1.6 * math.pi, 18)
        c.arrow(a[::-1] if flip else a, 2.5, INK, 5)
        c.save(name, out)
    c = Canvas(22, 22)
    c.polygon([(2, 4), (10, 11), (2, 18)], INK)
    c.polygon([(20, 4), (12, 11), (20, 18)], ACCENT)
    c.save("flip", out)
    c = Canvas(72, 22)
    c.arrow([(10, 18), (10, 6)], 2, GREEN, 4)
    c.arrow([(10, 18), (26, 18)], 2, RED, 4)
    c.arrow([(10, 18), (20, 10)], 2, INK, 4)
    c.text("RESET", 50, 11, 8, INK, 1.2)
    c.save("reset_axes", out)
    c = Canvas(22, 56)
    c.arrow([(11, 26), (11, 6)], 3, INK, 6)
    c.arrow([(11, 30), (11, 50)], 3, ACCENT, 6)
    c.save("flip_normals", out)
    for name, links in (("aspect_locked", 3), ("aspect_xy_locked", 2), ("aspect_free", 0)):
        c = Canvas(22, 56)
        for k, y in enumerate((10, 28, 46)):
            c.ring(11, y, 5, 2, INK if k < links or links == 3 else ACCENT)
        if links:
            c.line([(11, 15), (11, 23)], 3, INK)
        if links == 3:
            c.line([(11, 33), (11, 41)], 3, INK)
        c.save(name, out)


def labelled_icons(out):
    for name, text in (("Export STL", "STL"), ("Export OBJ", "OBJ"), ("Export PTR", "PTR")):
        c = Canvas(48, 48)
        c.polygon([(8, 4), (32, 4), (40, 12), (40, 44), (8, 44)], PAPER)
        c.outline([(8, 4), (32, 4), (40, 12), (40, 44), (8, 44)], 2, INK)
        c.text(text, 24, 26, 10, INK, 1.6)
        c.arrow([(30, 38), (44, 38)], 2.5, ACCENT, 5)
        c.save(name, out)
    c = Canvas(48, 48)
    c.arrow([(6, 24), (34, 24)], 5, ACCENT, 12)
    c.text("L", 12, 38, 10, INK, 1.6)
    c.save("Export to Layora", out)

    for suffix in ("ptr", "obj", "stl", "scp", "jpg", "jpeg", "png", "bmp"):
        c = Canvas(24, 24)
        c.polygon([(4, 1), (16, 1), (20, 5), (20, 23), (4, 23)], PAPER)
        c.outline([(4, 1), (16, 1), (20, 5), (20, 23), (4, 23)], 1.2, INK)
        label = suffix.upper()
        c.text(label, 12, 14, 5 if len(label) <= 3 else 4, ACCENT if suffix in ("scp", "ptr") else INK, 1.0)
        c.save(suffix, out)

    for name, text in (("Load Button", "LOAD"), ("Save File Button", "SAVE"), ("Save As Button", "SAVE AS"),
                       ("About Button", "ABOUT"), ("Exit Button", "EXIT")):
        c = Canvas(120, 34, (0.80, 0.88, 1.0))
        c.outline([(1, 1), (119, 1), (119, 33), (1, 33)], 1.5, INK)
        c.text(text, 60, 17, 12, INK, 1.8)
        c.save(name, out)

    for name, text in (("Open_Recent", "OPEN RECENT"), ("Open_Project", "OPEN PROJECT"), ("Resume_Last", "RESUME LAST")):
        for state, colour in (("button", (0.12, 0.25, 0.42)), ("hover", (0.85, 0.45, 0.12))):
            c = Canvas(300, 56)
            c.polygon([(6, 2), (294, 2), (298, 28), (294, 54), (6, 54), (2, 28)], colour, 0.85)
            c.text(text, 150, 28, 18, (1.0, 1.0, 1.0), 2.4)
            c.save(name + "_" + state, out)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    written = []
    tool_icons(written)
    small_icons(written)
    quick_icons(written)
    orient_icons(written)
    labelled_icons(written)
    for name in written:
        print('        <file alias="%s">images/icons/%s</file>' % (name, file_name(name)))
