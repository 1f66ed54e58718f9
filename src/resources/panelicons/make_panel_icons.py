#!/usr/bin/env python3
"""Draws the brush icons of the Tools page as 32 x 32 PNG files beside this
script, with the PNG writer of ../make_pictures.py:
    python3 make_panel_icons.py
"""

import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))

from make_pictures import clamp, write_png  # noqa: E402

SIZE = 32
INK = (0x2B, 0x4F, 0x86)


def draw(name, coverage):
    """coverage(x, y) -> 0..1 for pixel centres in [0, 1) x [0, 1), y down."""
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            # 4 x 4 samples per pixel for smooth edges.
            total = 0.0
            for sy in range(4):
                for sx in range(4):
                    total += coverage((px + (sx + 0.5) / 4) / SIZE, (py + (sy + 0.5) / 4) / SIZE)
            a = clamp(total / 16.0)
            row.append(INK + (int(round(a * 255)),))
        rows.append(row)
    write_png(os.path.join(HERE, name + ".png"), SIZE, SIZE, rows)


def disc(radius, strength=1.0):
    return lambda x, y: strength if math.hypot(x - 0.5, y - 0.5) <= radius else 0.0


def square(half):
    return lambda x, y: 1.0 if abs(x - 0.5) <= half and abs(y - 0.5) <= half else 0.0


def profile(height_at):
    """The area under a brush profile over the width of the icon."""
    return lambda x, y: 1.0 if 0.85 - y <= 0.7 * height_at(abs(x - 0.5) * 2.0) and y <= 0.85 else 0.0


if __name__ == "__main__":
    draw("round_brush", disc(0.4))
    draw("square_brush", square(0.36))
    draw("tool_size_small", disc(0.15))
    draw("tool_size_large", disc(0.45))
    draw("tool_strength_low", disc(0.35, 0.3))
    draw("tool_strength_high", disc(0.35, 1.0))
    draw("tool_profile_soft", profile(lambda r: math.exp(-(r * 2.2) ** 2)))
    draw("tool_profile_hard", profile(lambda r: clamp((0.75 - r) / 0.3)))
